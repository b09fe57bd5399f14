// The colour window FColFProp on the whole program offscreen: the grid, the chart and the colour
// bar follow the colour table the session holds, the file menu and tool bar go through the
// asker, a row pressed opens the picker on that row, and leaving the window hands the new
// colours to the main window's gauge.

#include "gui/plan/colour_window.h"

#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QValueAxis>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "gui/plan/image_form.h"
#include "gui/program_rig.h"

namespace chromaflow::testing {
namespace {

struct ColourWindowTest : ::testing::Test {
  ProgramRig rig;
  ColourWindow& window = rig.program.colourWindow();
  QTableView* grid = window.findChild<QTableView*>("StringGridProp");

  void SetUp() override {
    ASSERT_NE(grid, nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  void write(const char* name, const std::vector<std::string>& lines) {
    std::ofstream file(rig.path(name), std::ios::binary);
    for (const std::string& line : lines) file << line << "\r\n";
  }
  static std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  void trigger(const char* action) {
    QAction* item = window.findChild<QAction*>(action);
    ASSERT_NE(item, nullptr) << action;
    item->trigger();
  }
  void open(const char* name) {
    rig.asker.openAnswers.push_back(rig.path(name));
    trigger("MIOpen");
  }

  // The grid as the file holds it: the headings line, then each row with its number in front,
  // and the " +" row last.
  std::vector<std::string> gridLines() const {
    const QAbstractItemModel& model = *grid->model();
    std::vector<std::string> lines;
    std::string headings;
    for (int column = 0; column < model.columnCount(); ++column)
      headings += ";" + model.headerData(column, Qt::Horizontal).toString().toStdString();
    lines.push_back(headings);
    for (int row = 0; row < model.rowCount(); ++row) {
      std::string line = model.headerData(row, Qt::Vertical).toString().toStdString();
      for (int column = 0; column < model.columnCount(); ++column)
        line += ";" + model.index(row, column).data().toString().toStdString();
      lines.push_back(line);
    }
    return lines;
  }

  QChart* chart() const { return window.findChild<QChartView*>("ChartColFProp")->chart(); }
  QLineSeries* series(const char* name) const {
    for (QAbstractSeries* series : chart()->series())
      if (series->name() == QString::fromLatin1(name)) return qobject_cast<QLineSeries*>(series);
    return nullptr;
  }
  static std::vector<QPointF> points(const QLineSeries* series) {
    const QList<QPointF> at = series->points();
    return {at.begin(), at.end()};
  }

  QImage colourBar() const { return window.findChild<PictureView*>("ImageColBar")->picture(); }

  // Runs the gesture; reports whether the picker showed, and puts it away, whether it opens
  // modally or not.
  bool pickerShownBy(const std::function<void()>& gesture) {
    ImageForm& picker = rig.program.imageForm();
    bool shown = false;
    QTimer::singleShot(0, &picker, [&] {
      shown = picker.isVisible();
      picker.reject();
    });
    gesture();
    QApplication::processEvents();
    return shown;
  }
  // Presses grid row `row` (0 the first data row).
  bool pressRow(int row) {
    return pickerShownBy([&] {
      const QRect cell = grid->visualRect(grid->model()->index(row, 0));
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    });
  }
};

TEST_F(ColourWindowTest, OpenedFileShowsSortedInGridChartAndTitle) {
  EXPECT_EQ(window.objectName(), "FColFProp");
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - Noname.cov");
  EXPECT_EQ(gridLines(), (std::vector<std::string>{";Proportions (%);RGB;R;G;B", " +;;;;;"}));
  for (const char* name : {"Rouge", "Vert", "Bleu"}) {
    ASSERT_NE(series(name), nullptr) << name;
    EXPECT_TRUE(series(name)->points().isEmpty()) << name;
  }

  // Out of order, with lines that are no rows: the grid shows the rows sorted and renumbered.
  write("mix.cov",
        {";Proportions (%);RGB;R;G;B", "1;100;0;0;0;255", "2;0;0;255;255;255", "3;50;0;300;0;0", "x;50;7;10;20;30"});
  open("mix.cov");
  EXPECT_EQ(rig.asker.openAsked.size(), 1u);
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - mix.cov");
  EXPECT_EQ(gridLines(), (std::vector<std::string>{";Proportions (%);RGB;R;G;B", "1;0;16777215;255;255;255",
                                                   "2;50;1971210;10;20;30", "3;100;16711680;0;0;255", " +;;;;;"}));
  EXPECT_EQ(points(series("Rouge")), (std::vector<QPointF>{{0, 255}, {50, 10}, {100, 0}}));
  EXPECT_EQ(points(series("Vert")), (std::vector<QPointF>{{0, 255}, {50, 20}, {100, 0}}));
  EXPECT_EQ(points(series("Bleu")), (std::vector<QPointF>{{0, 255}, {50, 30}, {100, 255}}));

  // A row stored by the picker lands in its place in every view.
  rig.session.addColourRow({25, 1, 2, 3});
  EXPECT_EQ(gridLines()[2], "2;25;197121;1;2;3");
  EXPECT_EQ(gridLines().size(), 6u);
  EXPECT_EQ(points(series("Rouge")), (std::vector<QPointF>{{0, 255}, {25, 1}, {50, 10}, {100, 0}}));
  EXPECT_EQ(points(series("Bleu"))[1], QPointF(25, 3));
}

TEST_F(ColourWindowTest, ChartCarriesItsTitleAxesAndSeriesColours) {
  EXPECT_EQ(chart()->title(), "Composition du mélange (rouge, vert, bleu) en fonction des proportions");
  const auto* proportions = qobject_cast<QValueAxis*>(chart()->axes(Qt::Horizontal).value(0));
  const auto* component = qobject_cast<QValueAxis*>(chart()->axes(Qt::Vertical).value(0));
  ASSERT_NE(proportions, nullptr);
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(proportions->titleText(), "Proportions (%)");
  EXPECT_EQ(proportions->min(), 0);
  EXPECT_EQ(proportions->max(), 100);
  EXPECT_EQ(component->min(), 0);
  EXPECT_EQ(component->max(), 255);
  EXPECT_EQ(series("Rouge")->color(), QColor(255, 0, 0));
  EXPECT_EQ(series("Vert")->color(), QColor(0, 255, 0));
  EXPECT_EQ(series("Bleu")->color(), QColor(0, 0, 255));
  // The grid's hint and the window's own heading.
  EXPECT_EQ(grid->toolTip(), "Sélectionner la ligne pour ajouter/modifier un relevé de proportion de peinture");
  EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "Couleurs=f(Proportions)");
}

TEST_F(ColourWindowTest, ColourBarShowsTheTableAndWhiteOutsideIt) {
  auto* bar = window.findChild<PictureView*>("ImageColBar");
  bar->setFixedWidth(200);  // column x stands for the proportion x / 2
  QApplication::processEvents();
  ASSERT_EQ(colourBar().width(), 200);
  const auto at = [this](int x) { return colourBar().pixelColor(x, colourBar().height() / 2); };
  EXPECT_EQ(at(100), QColor(Qt::white));  // an empty table

  write("white-blue.cov", {"1;0;16777215;255;255;255", "2;100;16711680;0;0;255"});
  open("white-blue.cov");
  EXPECT_EQ(at(0), QColor(255, 255, 255));
  EXPECT_EQ(at(100), QColor(128, 128, 255));  // 127.5 taken to the even 128
  EXPECT_EQ(at(199), QColor(1, 1, 255));      // 99.5 %
  EXPECT_EQ(at(100), colourBar().pixelColor(100, 0)) << "the whole height";

  // Rows at 20 and 80 % only: white below and above them.
  write("middle.cov", {"1;20;255;255;0;0", "2;80;255;255;0;0"});
  open("middle.cov");
  EXPECT_EQ(at(39), QColor(Qt::white));
  EXPECT_EQ(at(40), QColor(255, 0, 0));
  EXPECT_EQ(at(160), QColor(255, 0, 0));
  EXPECT_EQ(at(161), QColor(Qt::white));
}

TEST_F(ColourWindowTest, PressingARowOpensThePickerOnIt) {
  write("three.cov", {"1;0;0;240;230;200", "2;50;0;230;140;60", "3;100;0;150;40;40"});
  open("three.cov");
  const ColourPicker& picker = rig.session.colourPicker();

  EXPECT_TRUE(pressRow(1));
  EXPECT_EQ(picker.selectedColourRow(), 2);
  EXPECT_EQ(picker.proportion(), 50);
  EXPECT_EQ(picker.red(), 230);
  EXPECT_EQ(picker.green(), 140);
  EXPECT_EQ(picker.blue(), 60);

  // Enter on the current row does the same from the keyboard.
  grid->setCurrentIndex(grid->model()->index(0, 2));
  EXPECT_TRUE(pickerShownBy([&] { QTest::keyClick(grid, Qt::Key_Return); }));
  EXPECT_EQ(picker.selectedColourRow(), 1);
  EXPECT_EQ(picker.red(), 240);

  // The " +" row prepares a new row: everything at 0.
  EXPECT_TRUE(pressRow(3));
  EXPECT_EQ(picker.selectedColourRow(), 4);
  EXPECT_EQ(picker.proportion(), 0);
  EXPECT_EQ(picker.colour(), 0u);

  // What the picker stores shows in the grid at once.
  rig.session.setPickerProportion(75);
  rig.session.setPickerColour(rgbOf(9, 8, 7));
  rig.session.colourPickerButton(EditorButton::Ok);
  EXPECT_EQ(gridLines()[3], "3;75;460809;9;8;7");
  EXPECT_EQ(gridLines().back(), " +;;;;;");
  EXPECT_FALSE(grid->selectionModel()->hasSelection()) << "no row highlighted after the rows moved";
}

TEST_F(ColourWindowTest, FileMenuAndToolBarGoThroughTheAsker) {
  rig.session.addColourRow({0, 255, 255, 255});
  rig.session.addColourRow({100, 0, 0, 255});

  // "Enregistrer" on a Noname table asks for a name; cancelled, nothing is written.
  trigger("MISave");
  ASSERT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_EQ(rig.asker.saveAsked[0].first, DocumentKind::Colours);
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - Noname.cov");

  const std::string saved = rig.path("blue.cov");
  rig.asker.saveAnswers.push_back(saved);
  auto* saveButton = window.findChild<QToolButton*>("TBSave");
  ASSERT_NE(saveButton, nullptr);
  QTest::mouseClick(saveButton, Qt::LeftButton);
  EXPECT_EQ(contents(saved), ";Proportions (%);RGB;R;G;B\r\n1;0;16777215;255;255;255\r\n2;100;16711680;0;0;255\r\n");
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - blue.cov");

  // Named now: saved again without a question; "Enregistrer sous..." always asks.
  rig.session.addColourRow({50, 1, 2, 3});
  trigger("MISave");
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);
  EXPECT_NE(contents(saved).find("2;50;197121;1;2;3\r\n"), std::string::npos);
  const std::string copy = rig.path("copy.cov");
  rig.asker.saveAnswers.push_back(copy);
  trigger("MISaveAs");
  EXPECT_EQ(rig.asker.saveAsked.size(), 3u);
  EXPECT_EQ(contents(copy), contents(saved));
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - copy.cov");

  // "Nouveau" from the tool bar empties the table and names it Noname again.
  QTest::mouseClick(window.findChild<QToolButton*>("TBNew"), Qt::LeftButton);
  EXPECT_EQ(gridLines(), (std::vector<std::string>{";Proportions (%);RGB;R;G;B", " +;;;;;"}));
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - Noname.cov");

  // "Ouvrir..." cancelled, or on a missing file, changes nothing; then the copy comes back.
  QTest::mouseClick(window.findChild<QToolButton*>("TBOpen"), Qt::LeftButton);
  open("missing.cov");
  EXPECT_EQ(rig.asker.openAsked.size(), 2u);
  EXPECT_EQ(gridLines().size(), 2u);
  EXPECT_EQ(window.windowTitle(), "Couleurs=f(Proportions) - Noname.cov");
  open("copy.cov");
  EXPECT_EQ(gridLines().size(), 5u);
  EXPECT_TRUE(rig.asker.errors.empty());
}

TEST_F(ColourWindowTest, LeavingTheWindowRecoloursTheGauge) {
  const GaugeColours untouched = rig.session.main().gaugeColours;
  write("red-green.cov", {"1;0;255;255;0;0", "2;100;65280;0;255;0"});
  open("red-green.cov");
  EXPECT_EQ(rig.session.main().gaugeColours, untouched);
  // The picker or the main window comes to the front.
  QEvent deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(&window, &deactivate);
  EXPECT_EQ(rig.session.main().gaugeColours, (GaugeColours{rgbOf(255, 0, 0), rgbOf(0, 255, 0)}));

  // Back in front, then closed with "OK": the gauge follows the table once more.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&window, &activate);
  write("blue-middle.cov", {"1;0;16711680;0;0;255", "2;50;0;0;0;0"});
  open("blue-middle.cov");
  QTest::mouseClick(window.findChild<QPushButton*>("OK"), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(rig.session.main().gaugeColours, (GaugeColours{rgbOf(0, 0, 255), kNavy}));

  // "Quitter" closes it as "OK" does.
  window.show();
  window.findChild<QAction*>("MIExit")->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(ColourWindowTest, StopsListeningWhenItGoes) {
  const std::size_t listeners = rig.session.changed.listenerCount();
  {
    ColourWindow second{rig.session, rig.program.imageForm()};
    EXPECT_EQ(rig.session.changed.listenerCount(), listeners + 1);
  }
  EXPECT_EQ(rig.session.changed.listenerCount(), listeners);
  rig.session.addColourRow({10, 1, 2, 3});  // the first window still follows
  EXPECT_EQ(gridLines()[1], "1;10;197121;1;2;3");
}

}  // namespace
}  // namespace chromaflow::testing
