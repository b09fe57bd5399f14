// The plan window "Surfaces et proportions" in the whole program: its grids show the session's
// tables with their headings, numbers, " +" row and colour swatches; the hose's initial
// conditions enable what a full or empty hose allows; the proportion bar follows a drag; a cell
// opens its row editor; the file menu goes through the asker; leaving redraws the main window.

#include "gui/plan/plan_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "gui/drawing/main_pictures.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/program_rig.h"

namespace chromaflow::testing {
namespace {

const std::string kExamplePlan = std::string(CHROMAFLOW_EXAMPLES) + "/wall.spv";

struct PlanWindowTest : ::testing::Test {
  ProgramRig rig;
  PlanWindow& window = rig.program.planWindow();

  void SetUp() override { show(); }
  void TearDown() override { window.hide(); }

  void show() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename Widget = QWidget>
  Widget* find(const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QAction* action(const char* name) { return find<QAction>(name); }
  QTableView* grid(const char* name) { return find<QTableView>(name); }

  // A grid as the operator reads it: the headings row, then each row's number and cells.
  static std::vector<std::vector<std::string>> rows(const QTableView* grid) {
    std::vector<std::vector<std::string>> read{{""}};
    const QAbstractItemModel& model = *grid->model();
    for (int c = 0; c < model.columnCount(); ++c)
      read[0].push_back(model.headerData(c, Qt::Horizontal).toString().toStdString());
    for (int r = 0; r < model.rowCount(); ++r) read.push_back(row(grid, r));
    return read;
  }
  // Grid row `r` (0 the first under the headings): its number, then its cells.
  static std::vector<std::string> row(const QTableView* grid, int r) {
    const QAbstractItemModel& model = *grid->model();
    std::vector<std::string> read{model.headerData(r, Qt::Vertical).toString().toStdString()};
    for (int c = 0; c < model.columnCount(); ++c) read.push_back(model.index(r, c).data().toString().toStdString());
    return read;
  }
  static int rowCount(const QTableView* grid) { return grid->model()->rowCount(); }

  // The colour a cell shows on the screen, at its middle.
  static QColor shownColour(QTableView* grid, int row, int column) {
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    return grid->viewport()->grab().toImage().pixelColor(cell.center());
  }

  void clickCell(QTableView* grid, int row, int column) {
    grid->scrollTo(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(row, column)).center());
  }

  void openThroughMenu(const std::string& file) {
    rig.asker.openAnswers.push_back(file);
    action("MIOpen")->trigger();
  }
};

// Notes each row editor that comes up and closes it again at once, whether it was shown
// modally (the close ends its loop) or not.
class EditorWatch : public QObject {
 public:
  explicit EditorWatch(ProgramRig& rig)
      : surface(&rig.program.surfaceEditor()), proportion(&rig.program.proportionEditor()) {
    surface->installEventFilter(this);
    proportion->installEventFilter(this);
  }
  ~EditorWatch() override {
    surface->removeEventFilter(this);
    proportion->removeEventFilter(this);
  }

  // The editors shown since the last look, once the window's own events have run.
  std::vector<QWidget*> take() {
    QApplication::processEvents();
    return std::exchange(shown_, {});
  }

  QWidget* const surface;
  QWidget* const proportion;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* editor = static_cast<QWidget*>(watched);
      shown_.push_back(editor);
      QTimer::singleShot(0, editor, &QWidget::hide);
    }
    return false;
  }

 private:
  std::vector<QWidget*> shown_;
};

void mouse(QWidget* widget, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
  const QPointF at(x, widget->height() / 2);
  QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

TEST_F(PlanWindowTest, GridsShowTheExampleJobWithNumbersPlusRowsAndSwatches) {
  EXPECT_EQ(window.objectName(), "FSurfProp");
  // An empty plan: the headings and the " +" row only.
  EXPECT_EQ(rows(grid("StringGridSurf")),
            (std::vector<std::vector<std::string>>{{"", "H (m)", "L (m)", "S (m2)", "L report (m)", "S (m2)"},
                                                   {" +", "", "", "", "", ""}}));

  rig.openExample();  // the project, so that the colour table colours the rows
  EXPECT_EQ(rows(grid("StringGridSurf")),
            (std::vector<std::vector<std::string>>{{"", "H (m)", "L (m)", "S (m2)", "L report (m)", "S (m2)"},
                                                   {"1", "2.50", "4.00", "10.00", "4.00", "10.00"},
                                                   {"2", "2.50", "3.00", "7.50", "7.00", "17.50"},
                                                   {"3", "1.20", "2.00", "2.40", "9.00", "19.90"},
                                                   {"4", "2.50", "5.00", "12.50", "14.00", "32.40"},
                                                   {" +", "", "", "", "", ""}}));
  QTableView* proportions = grid("StringGridPropDist");
  EXPECT_EQ(rows(proportions),
            (std::vector<std::vector<std::string>>{{"", "Distance (m)", "Proportions (%)", "RGB", "R", "G", "B"},
                                                   {"1", "0.00", "0", "13166320", "240", "230", "200"},
                                                   {"2", "4.00", "30", "7647466", "234", "176", "116"},
                                                   {"3", "9.00", "100", "2631830", "150", "40", "40"},
                                                   {"4", "14.00", "60", "3700950", "214", "120", "56"},
                                                   {" +", "", "", "", "", "", ""}}));
  // The "RGB" column shows each row's colour, not its number; the " +" row stays blank.
  EXPECT_EQ(shownColour(proportions, 0, 2), QColor(240, 230, 200));
  EXPECT_EQ(shownColour(proportions, 1, 2), QColor(234, 176, 116));
  EXPECT_EQ(shownColour(proportions, 3, 2), QColor(214, 120, 56));
  EXPECT_NE(shownColour(proportions, 4, 2), QColor(214, 120, 56));

  // A row changed elsewhere (the main window's chart, an editor) shows at once, sorted and
  // coloured, and a row fewer leaves no swatch behind on the new " +" row.
  rig.session.setProportion(4, "2.00", 50);
  EXPECT_EQ(rows(proportions)[2], (std::vector<std::string>{"2", "2.00", "50", "3968230", "230", "140", "60"}));
  EXPECT_EQ(shownColour(proportions, 1, 2), QColor(230, 140, 60));
  rig.session.removeProportion(4);
  ASSERT_EQ(rowCount(proportions), 4);
  EXPECT_EQ(row(proportions, 3)[0], " +");
  EXPECT_NE(shownColour(proportions, 3, 2), QColor(150, 40, 40));
  rig.session.clearSurfaces();
  EXPECT_EQ(rowCount(grid("StringGridSurf")), 1);
}

TEST_F(PlanWindowTest, TheHoseStateEnablesWhatItAllows) {
  auto* full = find<QRadioButton>("Buttontuyauplein");
  auto* empty = find<QRadioButton>("Buttontuyauvide");
  auto* anticipation = find<QCheckBox>("Anticipation");
  const std::vector<QWidget*> startProportion = {find("SpinEditPropStart"), find("LabelPropStart"),
                                                 find("LabelPropStartUnit"), find("ImagePropBar")};
  EXPECT_EQ(full->text().toStdString(), "Tuyau plein");
  EXPECT_EQ(empty->text().toStdString(), "Tuyau vide");
  EXPECT_EQ(find<QLabel>("LabelPropStart")->text().toStdString(), "Proportion uniforme dans le tuyau (L=0m) =");
  const auto expectFull = [&](bool isFull) {
    EXPECT_EQ(full->isChecked(), isFull);
    EXPECT_EQ(empty->isChecked(), !isFull);
    for (QWidget* control : startProportion) EXPECT_EQ(control->isEnabled(), isFull) << control->objectName().data();
    EXPECT_EQ(anticipation->isEnabled(), isFull);
  };

  // At start the hose is empty: no proportion of its own, and it always anticipates.
  expectFull(false);
  EXPECT_TRUE(anticipation->isChecked());

  full->click();
  EXPECT_EQ(rig.session.plan().hoseState(), HoseState::Full);
  expectFull(true);
  anticipation->click();
  EXPECT_FALSE(rig.session.plan().anticipation());
  find<QSpinBox>("SpinEditPropStart")->setValue(35);
  EXPECT_EQ(rig.session.plan().startProportion(), 35);

  // Back to empty: anticipation is switched on again and locked.
  empty->click();
  EXPECT_EQ(rig.session.plan().hoseState(), HoseState::Empty);
  expectFull(false);
  EXPECT_TRUE(anticipation->isChecked());

  // A file may leave an empty hose without anticipation: the box shows it, still locked.
  const std::string file = rig.path("sans-anticipation.spv");
  QFile out(QString::fromStdString(file));
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write("Etat tuyau=vide\r\nAnticipation=No\r\n");
  out.close();
  openThroughMenu(file);
  expectFull(false);
  EXPECT_FALSE(anticipation->isChecked());

  // A file with a full hose enables it all and shows its proportion.
  out.open(QIODevice::WriteOnly);
  out.write("Etat tuyau=plein\r\nProportions initiales=40\r\nAnticipation=Yes\r\n");
  out.close();
  openThroughMenu(file);
  expectFull(true);
  EXPECT_EQ(find<QSpinBox>("SpinEditPropStart")->value(), 40);
}

// "Compensation du mélange" sits beside Anticipation, needs it, and reaches the main window's red
// curve once the window is left.
TEST_F(PlanWindowTest, TheMixingLeadNeedsAnticipationAndBendsTheRedCurve) {
  auto* lead = find<QCheckBox>("CompensationMelange");
  EXPECT_EQ(lead->text().toStdString(), "Compensation du mélange");
  EXPECT_FALSE(lead->isChecked());
  EXPECT_TRUE(lead->isEnabled());  // an empty hose always anticipates
  find<QRadioButton>("Buttontuyauplein")->click();
  find<QCheckBox>("Anticipation")->click();
  EXPECT_FALSE(lead->isEnabled());
  find<QCheckBox>("Anticipation")->click();
  EXPECT_TRUE(lead->isEnabled());
  find<QRadioButton>("Buttontuyauvide")->click();

  rig.openExample();
  show();
  const QImage lagging = rig.picture("ImageProp")->picture();
  lead->click();
  EXPECT_TRUE(rig.session.plan().mixingLead());
  window.hide();
  EXPECT_NE(rig.picture("ImageProp")->picture(), lagging);
  show();
  lead->click();
  EXPECT_FALSE(rig.session.plan().mixingLead());
  window.hide();
  EXPECT_EQ(rig.picture("ImageProp")->picture(), lagging);
}

TEST_F(PlanWindowTest, DraggingOnTheProportionBarSetsTheStartProportion) {
  rig.openExample();
  auto* bar = find<PictureView>("ImagePropBar");
  const int width = bar->width();
  ASSERT_GT(width, 100);

  // Disabled while the hose is empty: nothing moves.
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(width / 2, 5));
  EXPECT_EQ(rig.session.plan().startProportion(), 0);

  find<QRadioButton>("Buttontuyauplein")->click();
  // Over the bar without a button: only the cursor tells where the value stands.
  mouse(bar, QEvent::MouseMove, width * 3 / 4, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(rig.session.plan().startProportion(), 0);
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
  mouse(bar, QEvent::MouseMove, 1, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor);

  // Pressed at the start and dragged to three quarters: 75 %.
  mouse(bar, QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
  mouse(bar, QEvent::MouseMove, width / 2, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(rig.session.plan().startProportion(), 50);
  mouse(bar, QEvent::MouseMove, width * 3 / 4, Qt::NoButton, Qt::LeftButton);
  mouse(bar, QEvent::MouseButtonRelease, width * 3 / 4, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(rig.session.plan().startProportion(), 75);
  EXPECT_EQ(find<QSpinBox>("SpinEditPropStart")->value(), 75);
  // Released: moving on changes nothing.
  mouse(bar, QEvent::MouseMove, width / 4, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(rig.session.plan().startProportion(), 75);

  // The bar is blue up to 75 % of its width, button face after; the panel takes the colour of
  // 75 % between the table's 50 % and 100 %.
  const QImage picture = bar->picture();
  EXPECT_EQ(picture.pixelColor(width * 3 / 4 - 2, 5), QColor(0, 0, 255));
  EXPECT_EQ(picture.pixelColor(width * 3 / 4 + 2, 5), qColourOf(kButtonFace));
  auto* couleur = find<QLabel>("Couleur");
  EXPECT_EQ(couleur->palette().color(QPalette::Window), QColor(190, 90, 50));
  EXPECT_EQ(couleur->text().toStdString(), "");
  // A colour table without that proportion: the panel says so.
  rig.session.newColours();
  EXPECT_EQ(couleur->text().toStdString(), "Indisponible");
  EXPECT_EQ(couleur->palette().color(QPalette::Window), QColor(255, 255, 255));
}

TEST_F(PlanWindowTest, TheColourBarShowsTheColourTable) {
  rig.openExample();
  auto* bar = find<PictureView>("ImageColBar");
  const QImage picture = bar->picture();
  ASSERT_EQ(picture.size(), bar->size());
  EXPECT_EQ(picture.pixelColor(0, 5), QColor(240, 230, 200));
  EXPECT_EQ(picture.pixelColor(picture.width() - 1, 5), QColor(150, 40, 40));
}

TEST_F(PlanWindowTest, ACellOpensTheEditorOfItsTable) {
  rig.openExample();
  EditorWatch watch(rig);
  clickCell(grid("StringGridSurf"), 1, 3);
  EXPECT_EQ(watch.take(), (std::vector<QWidget*>{watch.surface}));
  clickCell(grid("StringGridPropDist"), 4, 0);  // the " +" row
  EXPECT_EQ(watch.take(), (std::vector<QWidget*>{watch.proportion}));
  // The number beside a row opens it too.
  QHeaderView* numbers = grid("StringGridSurf")->verticalHeader();
  QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(5, numbers->sectionViewportPosition(4) + 5));
  EXPECT_EQ(watch.take(), (std::vector<QWidget*>{watch.surface}));
}

// The row each editor opens on, in the session's numbering (n + 1: the " +" row). Needs the
// real row editors: their placeholders show themselves without telling the session.
TEST_F(PlanWindowTest, ACellOpensTheEditorOnItsRow) {
  rig.openExample();
  EditorWatch watch(rig);
  clickCell(grid("StringGridSurf"), 1, 3);
  watch.take();
  EXPECT_EQ(rig.session.surfaceEditor().rememberedRow(), 2);
  EXPECT_EQ(rig.session.surfaceEditor().hauteur(), "2.50");
  clickCell(grid("StringGridSurf"), 4, 0);
  watch.take();
  EXPECT_EQ(rig.session.surfaceEditor().rememberedRow(), 5);
  EXPECT_EQ(rig.session.surfaceEditor().hauteur(), "");

  clickCell(grid("StringGridPropDist"), 4, 0);
  watch.take();
  EXPECT_EQ(rig.session.proportionEditor().rememberedRow(), 5);
  clickCell(grid("StringGridPropDist"), 2, 5);
  watch.take();
  EXPECT_EQ(rig.session.proportionEditor().rememberedRow(), 3);
  EXPECT_EQ(rig.session.proportionEditor().distance(), "9.00");
}

// A plan of 200,000 proportion rows opened from the window's menu: the grid holds every row with
// the " +" row after them, shows the first and the last with their swatches, follows an edit at
// the far end, opens the editor on the last row, and keeps the operator's place (the selected
// cell, the scroll position) while rows come and go.
TEST_F(PlanWindowTest, APlanOfManyProportionRowsShowsWholeAndFollowsEdits) {
  constexpr int kRows = 200'000;
  rig.openExample();  // its colour table colours the rows
  const std::string file = rig.path("long.spv");
  {
    // Row j at j centimetres; the first asks 0 %, the last 100 %.
    std::ofstream out(file, std::ios::binary);
    out << "Prop.\r\n";
    for (int j = 1; j <= kRows; ++j) {
      const int proportion = j == 1 ? 0 : j == kRows ? 100 : j % 101;
      out << j << ';' << j / 100 << '.' << (j % 100 < 10 ? "0" : "") << j % 100 << ';' << proportion << "\r\n";
    }
  }
  openThroughMenu(file);
  QTableView* proportions = grid("StringGridPropDist");
  ASSERT_EQ(rowCount(proportions), kRows + 1);
  EXPECT_EQ(row(proportions, 0), (std::vector<std::string>{"1", "0.01", "0", "13166320", "240", "230", "200"}));
  // 23 %, 23/30 of the way from the colour of 0 % to that of 30 %.
  EXPECT_EQ(row(proportions, 12'344),
            (std::vector<std::string>{"12345", "123.45", "23", "8961515", "235", "189", "136"}));
  EXPECT_EQ(row(proportions, kRows - 1),
            (std::vector<std::string>{"200000", "2000.00", "100", "2631830", "150", "40", "40"}));
  EXPECT_EQ(row(proportions, kRows), (std::vector<std::string>{" +", "", "", "", "", "", ""}));
  proportions->scrollToBottom();
  EXPECT_EQ(shownColour(proportions, kRows - 1, 2), QColor(150, 40, 40));

  // An edit of the last row shows at once, swatch included.
  rig.session.setProportion(kRows, "2000.00", 50);
  EXPECT_EQ(row(proportions, kRows - 1),
            (std::vector<std::string>{"200000", "2000.00", "50", "3968230", "230", "140", "60"}));
  EXPECT_EQ(shownColour(proportions, kRows - 1, 2), QColor(230, 140, 60));

  EditorWatch watch(rig);
  clickCell(proportions, kRows - 1, 0);
  ASSERT_EQ(watch.take(), (std::vector<QWidget*>{watch.proportion}));
  EXPECT_EQ(rig.session.proportionEditor().rememberedRow(), kRows);
  EXPECT_EQ(rig.session.proportionEditor().distance(), "2000.00");

  // A cell in the middle selected and in sight: a row added after the last and taken away again
  // leave it selected where it was.
  const QModelIndex middle = proportions->model()->index(kRows / 2, 1);
  proportions->setCurrentIndex(middle);
  proportions->scrollTo(middle, QAbstractItemView::PositionAtCenter);
  const int scrolled = proportions->verticalScrollBar()->value();
  rig.session.appendProportion("2000.50", 30);
  ASSERT_EQ(rowCount(proportions), kRows + 2);
  EXPECT_EQ(row(proportions, kRows),
            (std::vector<std::string>{"200001", "2000.50", "30", "7647466", "234", "176", "116"}));
  EXPECT_EQ(row(proportions, kRows + 1)[0], " +");
  EXPECT_EQ(proportions->verticalScrollBar()->value(), scrolled);
  rig.session.removeProportion(kRows + 1);
  ASSERT_EQ(rowCount(proportions), kRows + 1);
  EXPECT_EQ(row(proportions, kRows)[0], " +");
  EXPECT_EQ(proportions->currentIndex(), middle);
  EXPECT_EQ(proportions->selectionModel()->selectedIndexes(), QModelIndexList{middle});
  EXPECT_EQ(proportions->verticalScrollBar()->value(), scrolled);

  // New: the grid is back to its " +" row.
  action("MINew")->trigger();
  EXPECT_EQ(rows(proportions),
            (std::vector<std::vector<std::string>>{{"", "Distance (m)", "Proportions (%)", "RGB", "R", "G", "B"},
                                                   {" +", "", "", "", "", "", ""}}));
}

TEST_F(PlanWindowTest, TheFileMenuAndToolBarGoThroughTheAsker) {
  EXPECT_EQ(window.windowTitle().toStdString(), "Surfaces et proportions - Noname.spv");
  std::vector<std::string> menu;
  for (QAction* item : find<QMenu>("MIFichier")->actions())
    if (!item->isSeparator()) menu.push_back(item->text().toStdString());
  EXPECT_EQ(menu,
            (std::vector<std::string>{"&Nouveau", "&Ouvrir...", "&Enregistrer", "En&registrer sous...", "&Quitter"}));
  EXPECT_EQ(find<QMenu>("MIAide")->title().toStdString(), "&?");
  std::vector<QAction*> tools;
  for (QAction* item : find<QToolBar>("ToolBar1")->actions())
    if (!item->isSeparator()) tools.push_back(item);
  EXPECT_EQ(tools, (std::vector<QAction*>{action("MINew"), action("MIOpen"), action("MISave")}));

  // A cancelled Open changes nothing.
  action("MIOpen")->trigger();
  ASSERT_EQ(rig.asker.openAsked.size(), 1u);
  EXPECT_EQ(rig.asker.openAsked[0].first, DocumentKind::Plan);
  EXPECT_EQ(rowCount(grid("StringGridSurf")), 1);

  openThroughMenu(kExamplePlan);
  EXPECT_EQ(window.windowTitle().toStdString(), "Surfaces et proportions - wall.spv");
  EXPECT_EQ(rowCount(grid("StringGridSurf")), 5);

  // Save under a name chosen in the temporary folder, then Save again without asking.
  const std::string copy = rig.path("copie.spv");
  rig.asker.saveAnswers.push_back(copy);
  action("MISaveAs")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(copy)));
  EXPECT_EQ(window.windowTitle().toStdString(), "Surfaces et proportions - copie.spv");
  QFile::remove(QString::fromStdString(copy));
  action("MISave")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(copy)));

  // New: empty grids, "Noname.spv", and Save asks for a name again.
  action("MINew")->trigger();
  EXPECT_EQ(window.windowTitle().toStdString(), "Surfaces et proportions - Noname.spv");
  EXPECT_EQ(rowCount(grid("StringGridSurf")), 1);
  EXPECT_EQ(rowCount(grid("StringGridPropDist")), 1);
  action("MISave")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);

  // The project names the plan too.
  rig.openExample();
  EXPECT_EQ(window.windowTitle().toStdString(), "Surfaces et proportions - wall.spv");
}

TEST_F(PlanWindowTest, LeavingRedrawsTheMainWindowAndOkOrQuitCloses) {
  auto* surfaceView = rig.picture("ImageSurf");
  const auto bottomLeft = [surfaceView] {
    const QImage& picture = surfaceView->picture();
    return picture.pixelColor(2, picture.height() - 2);
  };
  rig.openExample();
  const QColor emptyHose = bottomLeft();
  // A full hose of P2's paint: the wall starts in the colour of 100 %, but the main window shows
  // it only once the plan window is left.
  find<QRadioButton>("Buttontuyauplein")->click();
  find<QSpinBox>("SpinEditPropStart")->setValue(100);
  EXPECT_EQ(bottomLeft(), emptyHose);
  window.hide();
  EXPECT_NE(bottomLeft(), emptyHose);

  // Another window coming to the front (a row editor, the main window) leaves it too.
  show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(window.isActiveWindow());
  find<QSpinBox>("SpinEditPropStart")->setValue(0);
  EXPECT_NE(bottomLeft(), emptyHose);
  QApplication::setActiveWindow(&rig.window);
  ASSERT_FALSE(window.isActiveWindow());
  EXPECT_EQ(bottomLeft(), emptyHose);

  QTest::mouseClick(find<QPushButton>("ButtonOK"), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  show();
  action("MIExit")->trigger();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace chromaflow::testing
