// The two row editors of the plan, FSurface and FPropDist, in the whole program: what the
// operator types and drags shows in the fields and panels, leaving a field rewrites it, the
// buttons change the plan and close the editor, a refused entry warns and keeps it open, and an
// editor opened from the modal plan window takes the operator's input above it.

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <sstream>
#include <string>
#include <vector>

#include "gui/drawing/main_pictures.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/program_rig.h"
#include "sim/harness/simulation.h"

namespace chromaflow {
namespace {

using testing::ProgramRig;

struct RowEditorsTest : ::testing::Test {
  ProgramRig rig;
  const Plan& plan = rig.session.plan();
  SurfaceEditorWindow& surfaces = rig.program.surfaceEditor();
  ProportionEditorWindow& proportions = rig.program.proportionEditor();

  template <typename Widget>
  Widget* in(QWidget& editor, const char* name) {
    auto* widget = editor.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* field(QWidget& editor, const char* name) { return in<QLineEdit>(editor, name); }
  std::string text(QWidget& editor, const char* name) { return field(editor, name)->text().toStdString(); }
  QLabel* panel(QWidget& editor, const char* name) { return in<QLabel>(editor, name); }
  void click(QWidget& editor, const char* button) {
    QTest::mouseClick(in<QPushButton>(editor, button), Qt::LeftButton);
  }
  // The plan window opens an editor on a row; the operator works in it once it is active (the
  // activation comes from the window system, after the call). The offscreen platform keeps the
  // focus on a window it hid: the operator is first back in the main window.
  template <typename Editor>
  void open(Editor& editor, int row) {
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &rig.window; }));
    editor.openOnRow(row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &editor; }));
  }
  // The operator replaces a field's text by typing.
  void type(QWidget& editor, const char* name, const char* typed) {
    QLineEdit* edit = field(editor, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QString::fromLatin1(typed));
  }
  // The pointer moves over a widget without a button held (QTest moves the desktop's cursor
  // instead, which the offscreen platform does not report).
  static void hover(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
  }
  void tabOut(QWidget& editor, const char* name) { QTest::keyClick(field(editor, name), Qt::Key_Tab); }

  std::vector<std::string> surfaceRow(int i) {
    std::vector<std::string> cells;
    for (int column = 1; column <= 5; ++column) cells.push_back(plan.surfaceCell(i, column));
    return cells;
  }
  void threeSurfaces() {
    rig.session.appendSurface({2, 3});
    rig.session.appendSurface({1, 4});
    rig.session.appendSurface({2.5f, 2});
  }
  // A colour table covering 0..60 %, and proportion rows at 2, 5 and 10 m.
  void proportionTable() {
    rig.session.addColourRow({0, 200, 200, 200});
    rig.session.addColourRow({60, 200, 80, 20});
    rig.session.appendProportion("2.00", 10);
    rig.session.appendProportion("5.00", 30);
    rig.session.appendProportion("10.00", 50);
  }
  QColor colourOf(int proportion) {
    return qColourOf(rig.session.colours().ColourOfProportion(static_cast<float>(proportion)).colour);
  }
  std::vector<std::string> distances() {
    std::vector<std::string> cells;
    for (int j = 1; j <= plan.proportionCount(); ++j) cells.push_back(plan.proportionCell(j, 1));
    return cells;
  }
};

// --- Surface editor.

TEST_F(RowEditorsTest, SurfaceFieldsComeFromTheRowAndTheAreaFollowsTheTyping) {
  threeSurfaces();
  open(surfaces, 2);
  EXPECT_EQ(surfaces.windowTitle(), "Surface");
  EXPECT_EQ(text(surfaces, "Hauteur"), "1.00");
  EXPECT_EQ(text(surfaces, "Longueur"), "4.00");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "4.00");
  EXPECT_TRUE(panel(surfaces, "Surface")->isEnabled());

  type(surfaces, "Hauteur", "2.5");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "10.00");
  type(surfaces, "Longueur", "0");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "Suppression");
  EXPECT_FALSE(panel(surfaces, "Surface")->isEnabled()) << "no area: the word is greyed";

  // The " +" row: empty fields, no area.
  open(surfaces, 4);
  EXPECT_EQ(text(surfaces, "Hauteur"), "");
  EXPECT_EQ(text(surfaces, "Longueur"), "");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "Suppression");
  EXPECT_FALSE(panel(surfaces, "Surface")->isEnabled());
}

TEST_F(RowEditorsTest, LeavingASurfaceFieldRewritesItInTwoDecimals) {
  open(surfaces, 1);
  type(surfaces, "Hauteur", "2");
  type(surfaces, "Longueur", "3");
  EXPECT_EQ(text(surfaces, "Hauteur"), "2.00") << "left when the focus went to Longueur";
  tabOut(surfaces, "Longueur");
  EXPECT_EQ(text(surfaces, "Longueur"), "3.00");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "6.00");

  // A comma is a decimal separator too; a text that is no number empties the field.
  type(surfaces, "Hauteur", "2,5");
  tabOut(surfaces, "Hauteur");
  EXPECT_EQ(text(surfaces, "Hauteur"), "2.50");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "7.50");
  type(surfaces, "Hauteur", "2,5,1");
  tabOut(surfaces, "Hauteur");
  EXPECT_EQ(text(surfaces, "Hauteur"), "");
  EXPECT_EQ(panel(surfaces, "Surface")->text(), "Suppression");
}

TEST_F(RowEditorsTest, InsererPutsTheSurfaceBeforeTheSelectedRow) {
  threeSurfaces();
  open(surfaces, 2);
  type(surfaces, "Hauteur", "3");
  type(surfaces, "Longueur", "5");
  click(surfaces, "InsertBtn");
  EXPECT_FALSE(surfaces.isVisible());
  ASSERT_EQ(plan.surfaceCount(), 4);
  EXPECT_EQ(surfaceRow(1), (std::vector<std::string>{"2.00", "3.00", "6.00", "3.00", "6.00"}));
  EXPECT_EQ(surfaceRow(2), (std::vector<std::string>{"3.00", "5.00", "15.00", "8.00", "21.00"}));
  EXPECT_EQ(surfaceRow(3), (std::vector<std::string>{"1.00", "4.00", "4.00", "12.00", "25.00"}));
  EXPECT_EQ(surfaceRow(4), (std::vector<std::string>{"2.50", "2.00", "5.00", "14.00", "30.00"}));
}

TEST_F(RowEditorsTest, SurfaceButtonsOnTheNewRowAndAnnuler) {
  threeSurfaces();
  const std::vector<std::string> second = surfaceRow(2);

  // "Annuler" after typing: nothing changes.
  open(surfaces, 2);
  type(surfaces, "Hauteur", "9");
  click(surfaces, "CancelBtn");
  EXPECT_FALSE(surfaces.isVisible());
  EXPECT_EQ(plan.surfaceCount(), 3);
  EXPECT_EQ(surfaceRow(2), second);

  // "Supprimer" on the " +" row removes nothing; "OK" there appends; Return is "OK".
  open(surfaces, 4);
  click(surfaces, "DeleteBtn");
  EXPECT_FALSE(surfaces.isVisible());
  EXPECT_EQ(plan.surfaceCount(), 3);
  open(surfaces, 4);
  type(surfaces, "Hauteur", "1");
  type(surfaces, "Longueur", "2");
  QTest::keyClick(field(surfaces, "Longueur"), Qt::Key_Return);
  EXPECT_FALSE(surfaces.isVisible());
  ASSERT_EQ(plan.surfaceCount(), 4);
  EXPECT_EQ(surfaceRow(4)[0], "1.00");

  // "OK" while the panel says "Suppression" changes no row.
  open(surfaces, 1);
  type(surfaces, "Hauteur", "5");
  type(surfaces, "Longueur", "");
  click(surfaces, "OKBtn");
  EXPECT_FALSE(surfaces.isVisible());
  EXPECT_EQ(surfaceRow(1), (std::vector<std::string>{"2.00", "3.00", "6.00", "3.00", "6.00"}));
}

// The plan window runs modally; an editor it opens must take the operator's clicks and stand
// above it, while the plan window stays open.
TEST_F(RowEditorsTest, AnEditorOpenedFromTheModalPlanWindowTakesInput) {
  threeSurfaces();
  QDialog planWindow(&rig.window);
  bool editorClosedByClick = false;
  QTimer::singleShot(0, &planWindow, [&] {
    surfaces.openOnRow(2);
    // The window system keeps a window above the one it is transient for.
    EXPECT_EQ(surfaces.windowHandle()->transientParent(), planWindow.windowHandle());
    // A click through the window system, which drops it on a window a modal one blocks.
    QPushButton* button = in<QPushButton>(surfaces, "DeleteBtn");
    QTest::mouseClick(surfaces.windowHandle(), Qt::LeftButton, {}, button->mapTo(&surfaces, button->rect().center()));
    editorClosedByClick = !surfaces.isVisible();
    EXPECT_TRUE(planWindow.isVisible());
    planWindow.reject();
  });
  planWindow.exec();
  EXPECT_TRUE(editorClosedByClick);
  EXPECT_EQ(plan.surfaceCount(), 2);
}

// --- Proportion editor.

TEST_F(RowEditorsTest, ProportionFieldsComeFromTheRowWithItsColour) {
  proportionTable();
  open(proportions, 2);
  EXPECT_EQ(proportions.windowTitle(), "Proportions = f(distance)");
  EXPECT_EQ(text(proportions, "Distance"), "5.00");
  EXPECT_EQ(in<QSpinBox>(proportions, "SpinEditProp")->value(), 30);
  QLabel* couleur = panel(proportions, "Couleur");
  EXPECT_EQ(couleur->palette().color(QPalette::Window), colourOf(30));
  EXPECT_EQ(couleur->text(), "");

  // A proportion the colour table does not cover: white, "Indisponible", and so stored.
  in<QSpinBox>(proportions, "SpinEditProp")->setValue(80);
  EXPECT_EQ(couleur->text(), "Indisponible");
  EXPECT_EQ(couleur->palette().color(QPalette::Window), QColor(Qt::white));
  click(proportions, "OKBtn");
  EXPECT_FALSE(proportions.isVisible());
  EXPECT_EQ(plan.proportionCell(2, 2), "80");
  EXPECT_EQ(plan.proportionCell(2, 3), "16777215");

  // The colour bar shows the table's colour of every proportion along its width.
  open(proportions, 1);
  const QImage bar = in<PictureView>(proportions, "ImageColBar")->picture();
  ASSERT_GT(bar.width(), 100);
  EXPECT_EQ(bar.pixelColor(0, 0), QColor(200, 200, 200));
  EXPECT_EQ(bar.pixelColor(bar.width() - 1, bar.height() / 2), QColor(Qt::white));
}

TEST_F(RowEditorsTest, RefusedDistancesWarnAndKeepTheEditorOpen) {
  proportionTable();
  // "Insérer" compares with every row, also the selected one.
  open(proportions, 2);
  click(proportions, "InsertBtn");
  EXPECT_TRUE(proportions.isVisible());
  EXPECT_EQ(rig.asker.warnings,
            std::vector<std::string>{"Une autre proportion est déjà définie à la distance 5.00 mètres. Try an other."});
  EXPECT_EQ(plan.proportionCount(), 3);

  // "OK" on its own row with its own distance is accepted.
  in<QSpinBox>(proportions, "SpinEditProp")->setValue(35);
  click(proportions, "OKBtn");
  EXPECT_FALSE(proportions.isVisible());
  EXPECT_EQ(plan.proportionCell(2, 2), "35");
  EXPECT_EQ(rig.asker.warnings.size(), 1u);

  // No distance at all.
  open(proportions, 4);
  click(proportions, "OKBtn");
  EXPECT_TRUE(proportions.isVisible());
  EXPECT_EQ(rig.asker.warnings.back(), "Veuillez entrer une distance");
  EXPECT_EQ(plan.proportionCount(), 3);

  // The operator corrects the entry after the warning: what was typed is still there.
  type(proportions, "Distance", "7.5");
  click(proportions, "OKBtn");
  EXPECT_FALSE(proportions.isVisible());
  EXPECT_EQ(distances(), (std::vector<std::string>{"2.00", "5.00", "7.50", "10.00"}));
}

TEST_F(RowEditorsTest, ANewSmallestDistanceLandsFirstAndTheSpinRewritesTheDistance) {
  proportionTable();
  open(proportions, 4);
  type(proportions, "Distance", "1");
  in<QSpinBox>(proportions, "SpinEditProp")->setValue(20);
  EXPECT_EQ(text(proportions, "Distance"), "1.00");
  click(proportions, "OKBtn");
  EXPECT_EQ(distances(), (std::vector<std::string>{"1.00", "2.00", "5.00", "10.00"}));
  EXPECT_EQ(plan.proportionCell(1, 0), "1");
  EXPECT_EQ(plan.proportionCell(4, 0), "4");

  // "Supprimer" on the " +" row removes nothing; "Supprimer tout" asks first: "Non" keeps the
  // rows and the editor, "Oui" empties the table.
  open(proportions, 5);
  click(proportions, "DeleteBtn");
  EXPECT_EQ(plan.proportionCount(), 4);
  open(proportions, 1);
  click(proportions, "DeleteAllBtn");
  EXPECT_EQ(rig.asker.confirmAsked, std::vector<std::string>{"Supprimer toutes les proportions du plan ?"});
  EXPECT_EQ(plan.proportionCount(), 4);
  EXPECT_TRUE(proportions.isVisible());
  rig.asker.confirmations = {true};
  click(proportions, "DeleteAllBtn");
  EXPECT_EQ(plan.proportionCount(), 0);
  EXPECT_FALSE(proportions.isVisible());
}

TEST_F(RowEditorsTest, DraggingTheProportionBarSetsTheSpinAndTheColour) {
  proportionTable();
  open(proportions, 1);
  PictureView* bar = in<PictureView>(proportions, "ImagePropBar");
  const int width = bar->width();
  ASSERT_GT(width, 100);
  const int y = bar->height() / 2;
  const int x10 = width / 10;  // about the row's 10 %

  hover(bar, QPoint(width - 1, y));
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor) << "far from the proportion";
  hover(bar, QPoint(x10, y));
  EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor) << "near the proportion";
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x10, y));
  QTest::mouseMove(bar, QPoint(width / 2, y));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(width / 2, y));
  EXPECT_EQ(in<QSpinBox>(proportions, "SpinEditProp")->value(), 50);
  EXPECT_EQ(panel(proportions, "Couleur")->palette().color(QPalette::Window), colourOf(50));

  const QImage picture = bar->picture();
  const int blue = qRound(0.5 * picture.width());
  EXPECT_EQ(picture.pixelColor(blue - 1, y), QColor(0, 0, 255));
  EXPECT_NE(picture.pixelColor(blue, y), QColor(0, 0, 255));

  // Without the button held the pointer only changes the cursor.
  hover(bar, QPoint(width / 5, y));
  EXPECT_EQ(in<QSpinBox>(proportions, "SpinEditProp")->value(), 50);
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
  // Nothing reaches the plan before "OK".
  EXPECT_EQ(plan.proportionCell(1, 2), "10");
}

// --- The same gestures replayed headless give what the editors give.

// A replay on a session holding the plan `prepare` makes; what the replay printed.
template <typename Prepare>
std::string replayOn(sim::Simulation& simulation, Prepare&& prepare, const std::vector<std::string>& actions) {
  prepare(simulation.session());
  std::vector<std::string> lines;
  for (const std::string& action : actions) lines.push_back("0000;0;" + action);
  std::ostringstream printed;
  const auto parsed = sim::parseReplay(lines);
  for (const sim::ReplayStep& step : std::get<std::vector<sim::ReplayStep>>(parsed)) simulation.replay(step, printed);
  return printed.str();
}

std::vector<std::string> surfaceCells(const Plan& plan) {
  std::vector<std::string> cells;
  for (int i = 1; i <= plan.surfaceCount(); ++i)
    for (int column = 1; column <= 5; ++column) cells.push_back(plan.surfaceCell(i, column));
  return cells;
}

std::vector<std::string> proportionCells(const Plan& plan) {
  std::vector<std::string> cells;
  for (int j = 1; j <= plan.proportionCount(); ++j)
    for (int column = 1; column <= 6; ++column) cells.push_back(plan.proportionCell(j, column));
  return cells;
}

TEST_F(RowEditorsTest, SurfaceEditsReplayedGiveTheEditorsRows) {
  auto three = [](Session& s) {
    s.appendSurface({2, 3});
    s.appendSurface({1, 4});
    s.appendSurface({2.5f, 2});
  };
  three(rig.session);
  open(surfaces, 2);
  type(surfaces, "Hauteur", "3");
  type(surfaces, "Longueur", "5.555");
  click(surfaces, "InsertBtn");
  open(surfaces, 1);
  type(surfaces, "Hauteur", "0");
  type(surfaces, "Longueur", "3");
  click(surfaces, "OKBtn");
  open(surfaces, 3);
  type(surfaces, "Hauteur", "1.5");
  type(surfaces, "Longueur", "2");
  click(surfaces, "OKBtn");

  sim::Simulation replayed;
  EXPECT_EQ(replayOn(replayed, three, {"surface-insert=2:3:5.555", "surface-ok=1:0:3", "surface-ok=3:1.5:2"}), "");
  EXPECT_EQ(surfaceCells(replayed.session().plan()), surfaceCells(plan));
  EXPECT_EQ(surfaceCells(plan).size(), 4u * 5u);
}

TEST_F(RowEditorsTest, ProportionEditsReplayedGiveTheEditorsRowsAndWarnings) {
  auto table = [](Session& s) {
    s.addColourRow({0, 200, 200, 200});
    s.addColourRow({60, 200, 80, 20});
    s.appendProportion("2.00", 10);
    s.appendProportion("5.00", 30);
    s.appendProportion("10.00", 50);
  };
  table(rig.session);
  // On the " +" row, a distance already in the table: the warning, then "Annuler".
  open(proportions, 4);
  type(proportions, "Distance", "5");
  in<QSpinBox>(proportions, "SpinEditProp")->setValue(40);
  click(proportions, "OKBtn");
  ASSERT_TRUE(proportions.isVisible());
  click(proportions, "CancelBtn");
  open(proportions, 2);
  type(proportions, "Distance", "7");
  in<QSpinBox>(proportions, "SpinEditProp")->setValue(70);  // beyond the colour table: white
  click(proportions, "OKBtn");

  sim::Simulation replayed;
  const std::string printed = replayOn(replayed, table, {"prop-ok=4:5:40", "prop-ok=2:7:70"});
  ASSERT_EQ(rig.asker.warnings.size(), 1u);
  EXPECT_EQ(printed, "line 1: warning: " + rig.asker.warnings[0] + "\n");
  EXPECT_EQ(proportionCells(replayed.session().plan()), proportionCells(plan));
  EXPECT_EQ(plan.proportionCell(2, 1), "7.00");
}

}  // namespace
}  // namespace chromaflow
