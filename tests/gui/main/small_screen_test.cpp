// Every window of the program on the smallest screen it is used on, a netbook's 1024×600: each
// opens within the screen, and every button it shows is in sight there, or in a part that
// scrolls into sight.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include <string>

#include "gui/card_test/card_test_window.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/history_settings_dialog.h"
#include "gui/dialogs/simulated_machine_dialog.h"
#include "gui/program_rig.h"

namespace chromaflow::testing {
namespace {

QRect onScreen(const QWidget& widget) { return {widget.mapToGlobal(QPoint(0, 0)), widget.size()}; }

std::string describe(const QRect& r) {
  return std::to_string(r.width()) + "x" + std::to_string(r.height()) + " at " + std::to_string(r.x()) + "," +
         std::to_string(r.y());
}

// The part of `widget` its window shows: cut by every widget it lies in, up to a scrolled area's
// viewport, where it may be scrolled into sight; then that viewport's own part is what counts.
QRect partShown(const QWidget& widget, bool& scrolls) {
  QRect shown = onScreen(widget);
  for (const QWidget* inside = widget.parentWidget(); inside; inside = inside->parentWidget()) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(inside->parentWidget());
    if (area && area->viewport() == inside) {
      scrolls = true;
      return partShown(*inside, scrolls);
    }
    shown &= onScreen(*inside);
    if (inside->isWindow()) break;
  }
  return shown;
}

void expectButtonsInSight(QWidget& window, const QRect& screen, const std::string& where) {
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (!button->isVisible() || button->window() != &window) continue;
    bool scrolls = false;
    const QRect shown = partShown(*button, scrolls);
    const std::string name = where + " " + button->objectName().toStdString() + " « " + button->text().toStdString() +
                             " » " + describe(onScreen(*button)) + ", shown " + describe(shown);
    EXPECT_TRUE(screen.contains(shown)) << name;
    if (scrolls)
      EXPECT_FALSE(shown.isEmpty()) << name;
    else
      EXPECT_EQ(shown, onScreen(*button)) << name;
  }
}

void expectFits(QWidget& window, const QRect& screen) {
  window.show();
  QApplication::processEvents();
  const std::string name = window.metaObject()->className() + std::string(" ") + window.objectName().toStdString() +
                           " « " + window.windowTitle().toStdString() + " »";
  EXPECT_TRUE(screen.contains(window.frameGeometry())) << name << " " << describe(window.frameGeometry());
  expectButtonsInSight(window, screen, name);
  for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
    if (!tabs->isVisible()) continue;
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      QApplication::processEvents();
      expectButtonsInSight(window, screen, name + " / " + tabs->tabText(page).toStdString());
    }
  }
  if (&window != window.window() || window.parentWidget()) window.hide();
}

TEST(SmallScreen, EveryWindowOpensWithinA1024By600ScreenWithItsButtonsInSight) {
  QScreen* small = nullptr;
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->name() == QLatin1String("1024x600")) small = screen;
  if (!small) GTEST_SKIP() << "the platform has no 1024×600 screen";
  const QRect screen = small->availableGeometry();
  ASSERT_EQ(screen.size(), QSize(1024, 600));

  ProgramRig rig;
  rig.window.hide();
  rig.window.setScreen(small);
  rig.window.move(screen.topLeft());
  // A long plan painted for a while: the grids at their fullest, alarms raised.
  rig.openExample();
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(rig.session.appendSurface({1.0f, 0.5f}));
  rig.find<QRadioButton>("RBStart")->click();
  QTest::mouseClick(rig.find<QPushButton>("BPistolet"), Qt::LeftButton);
  rig.run(20'000);
  rig.session.openSurfaceEditor(1);
  rig.session.openProportionEditor(1);
  rig.session.openColourPicker(0);

  expectFits(rig.window, screen);
  int windows = 0;
  for (QWidget* window : rig.window.findChildren<QWidget*>()) {
    // The windows, not the menus and lists that pop up from them.
    if (!window->isWindow() || (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog)) continue;
    expectFits(*window, screen);
    ++windows;
  }
  EXPECT_GE(windows, 17) << "every window the program makes at its start";
  // The card test grows by its acquisition panel, within the screen.
  CardTestWindow& cardTest = rig.program.cardTestWindow();
  cardTest.show();
  cardTest.findChild<QCheckBox*>("CBShowAcquisition")->click();
  ASSERT_TRUE(cardTest.findChild<QWidget*>("PanelAcquisition")->isVisible());
  expectFits(cardTest, screen);
  AboutBox about(&rig.window);
  expectFits(about, screen);
  SimulatedMachineDialog machine(&rig.window);
  expectFits(machine, screen);
  HistorySettingsDialog place(&rig.window);
  place.showPlace({"/home/peintre/.local/share/chromaflow/history.sqlite", "postgresql://peintre@atelier/chromaflow",
                   "atelier-1"},
                  "/home/peintre/.local/share/chromaflow/history.sqlite", "atelier-1",
                  "Historique partagé injoignable (PostgreSQL atelier:5432/chromaflow) : 2 travaux gardés sur ce poste");
  expectFits(place, screen);
}

}  // namespace
}  // namespace chromaflow::testing
