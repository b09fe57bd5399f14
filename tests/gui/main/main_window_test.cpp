// The main window as the operator meets it: what it shows at start, what each menu and gesture
// changes, which pictures it draws and what the status bar reads, on the real window offscreen.

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QDir>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/dialogs/user_text_window.h"
#include "gui/drawing/main_pictures.h"
#include "gui/plan/colour_window.h"
#include "gui/plan/full_colour_view.h"
#include "gui/plan/image_form.h"
#include "gui/plan/plan_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/program_rig.h"
#include "gui/widgets/clickable_panel.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow::testing {
namespace {

void send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}
void move(QWidget* widget, QPoint at) { send(widget, QEvent::MouseMove, at); }
void press(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  send(widget, QEvent::MouseButtonPress, at, button);
}
void release(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  send(widget, QEvent::MouseButtonRelease, at, button);
}
void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center()); }

// Where proportion row j stands on the chart as the window draws it.
QPoint pointOf(const Session& session, int j) {
  const MainViewSources sources = session.viewSources();
  return {sources.path.SurfaceX(float(session.plan().distanceOf(j)), sources.view),
          sources.path.ProportionY(float(session.plan().proportionOf(j)), sources.view)};
}

bool isColour(const QImage& image, QPoint at, Rgb rgb) { return image.pixelColor(at) == qColourOf(rgb); }

TEST(MainWindow, StartsAsTheOperatorExpects) {
  ProgramRig rig;
  EXPECT_EQ(rig.window.windowTitle().toStdString(), "Chromaflow Velmora - Noname.prv");
  EXPECT_TRUE(rig.find<QRadioButton>("RBStop")->isChecked());
  EXPECT_FALSE(rig.find<QRadioButton>("RBStart")->isChecked());
  EXPECT_TRUE(rig.action("MILpt1")->isChecked());
  EXPECT_TRUE(rig.action("MIFrancais")->isChecked());
  EXPECT_EQ(rig.find<QPushButton>("BPistolet")->text().toStdString(), "OFF");
  // The hidden entry is never shown.
  EXPECT_FALSE(rig.action("MIPaintingapplicationtest")->isVisible());
  // The first activation has run: the card is initialised and the next tick only records.
  EXPECT_TRUE(rig.session.state().FirstCycle);
  EXPECT_EQ(rig.text("StatusPanelPort").rfind("Machine simulée", 0), 0u) << rig.text("StatusPanelPort");
  EXPECT_TRUE(rig.action("MIMachineSimulee")->isVisible());
  // The tool bar's buttons carry their names and a picture.
  for (const char* tool : {"TBNew", "TBOpen", "TBSave", "TBPrint", "TBSurface", "TBColorf"})
    EXPECT_NE(rig.window.findChild<QWidget*>(QString::fromLatin1(tool)), nullptr) << tool;
  EXPECT_FALSE(rig.action("MINew")->icon().isNull());
}

TEST(MainWindow, QtsOwnDialogsSpeakTheLanguagePicked) {
  ProgramRig rig;
  const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(); };
  EXPECT_EQ(cancel(), "Annuler");
  rig.action("MIDeutsch")->trigger();
  EXPECT_EQ(cancel(), "Abbrechen");
  rig.action("MIEnglish")->trigger();
  EXPECT_EQ(cancel(), "Cancel");
  rig.action("MIFrancais")->trigger();
  EXPECT_EQ(cancel(), "Annuler");
}

TEST(MainWindow, ChoosingLpt2UnchecksLpt1AndSaysWhatIsDriven) {
  ProgramRig rig;
  rig.action("MILpt2")->trigger();
  EXPECT_TRUE(rig.action("MILpt2")->isChecked());
  EXPECT_FALSE(rig.action("MILpt1")->isChecked());
  EXPECT_EQ(rig.session.selectedPort(), ParallelPortKind::Lpt2);
  rig.run(40);  // the change takes effect on the next card access
  EXPECT_NE(rig.text("StatusPanelPort").find("Lpt2"), std::string::npos) << rig.text("StatusPanelPort");
  // Nothing simulated stands on Lpt2: the machine's settings are not offered there.
  EXPECT_FALSE(rig.action("MIMachineSimulee")->isVisible());
}

TEST(MainWindow, OpeningTheExampleShowsItsFiguresAndPictures) {
  ProgramRig rig;
  rig.openExample();
  EXPECT_NE(rig.window.windowTitle().toStdString().find("wall.prv"), std::string::npos);
  EXPECT_EQ(rig.text("LTot"), rig.session.plan().totals().LTot);
  EXPECT_EQ(rig.text("P1lTot"), rig.session.main().P1lTot);
  EXPECT_NE(rig.text("P1lTot"), "0.0");
  // The surface view is painted in the mix's colours, not left in the button face.
  const QImage surface = rig.picture("ImageSurf")->picture();
  const int x = surface.width() / 2;
  EXPECT_FALSE(isColour(surface, {x, surface.height() - 1}, kButtonFace));
  EXPECT_FALSE(isColour(surface, {x, surface.height() - 1}, kWhite));
}

TEST(MainWindow, PicturesFollowTheWindowsSize) {
  ProgramRig rig;
  rig.window.resize(1600, 1000);
  QApplication::processEvents();
  const int width = rig.picture("ImageSurf")->width();
  EXPECT_GT(width, 1000);
  EXPECT_EQ(rig.picture("ImageSurf")->picture().width(), width);
  EXPECT_EQ(rig.picture("ImageProp")->picture().width(), width);
  EXPECT_EQ(rig.picture("ImageParcouru")->width(), width);  // one column, one scale
  EXPECT_EQ(rig.session.viewSources().view.surfaceWidth, width);
  // Taller too: the chart and its colour scale share one height, as their proportion axis.
  const int chartHeight = rig.picture("ImageProp")->height();
  EXPECT_GT(chartHeight, 116);
  EXPECT_GT(rig.picture("ImageSurf")->picture().height(), 119);
  EXPECT_EQ(rig.picture("ImageProp")->picture().height(), chartHeight);
  EXPECT_EQ(rig.picture("ImagePropCoul")->picture().height(), chartHeight);
  EXPECT_EQ(rig.session.viewSources().view.proportionHeight, chartHeight);
  EXPECT_EQ(rig.session.viewSources().view.surfaceHeight, rig.picture("ImageSurf")->height());
}

// The plan of the drawing's edge cases: one surface 2 m x 10 m, from 0 % at 0 m to 100 % at 10 m.
void ramp(Session& session) {
  session.appendSurface({2.0f, 10.0f});
  session.appendProportion("0", 0);
  session.appendProportion("10", 100);
}

TEST(MainWindow, EveryPanelShowsItsTextFromTheSmallestWindowToTheLargest) {
  ProgramRig rig;
  rig.openExample();
  // A workshop laptop's screen must hold the whole window.
  const QSize smallest = rig.window.minimumSizeHint().expandedTo(rig.window.minimumSize());
  EXPECT_LE(smallest.width(), 1024);
  EXPECT_LE(smallest.height(), 600);
  for (const QSize size : {QSize(1024, 600), QSize(1280, 720), QSize(1600, 900), QSize(1920, 1080),
                           QSize(2560, 1440), QSize(3840, 2160)}) {
    rig.window.resize(size);
    QApplication::processEvents();
    // CHROMAFLOW_GRAB names a folder of one's own to keep the window's pictures in.
    if (const QString grabs = qEnvironmentVariable("CHROMAFLOW_GRAB"); !grabs.isEmpty())
      rig.window.grab().save(QDir(grabs).filePath(QString("main-%1x%2.png").arg(size.width()).arg(size.height())));
    for (const char* name : {"Correction", "LPct"}) {
      auto* label = rig.find<QLabel>(name);
      EXPECT_TRUE(label->isVisible()) << name << " at " << size.width() << "x" << size.height();
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
          << name << " at " << size.width() << "x" << size.height();
    }
    auto* panel = rig.find<ClickablePanel>("PCorrect");
    EXPECT_GE(panel->width(), panel->minimumSizeHint().width()) << size.width() << "x" << size.height();
  }
}

TEST(MainWindow, ChartDrawsThePlanFromBottomLeftToTopRight) {
  ProgramRig rig;
  ramp(rig.session);
  const QImage chart = rig.picture("ImageProp")->picture();
  const QPoint start = pointOf(rig.session, 1);
  const QPoint end = pointOf(rig.session, 2);
  EXPECT_EQ(start, QPoint(0, chart.height() - 1));
  EXPECT_EQ(end.y(), 0);
  // The diamonds: the top corner of the first, the left corner of the last (the path's end
  // stands on the image's right edge).
  EXPECT_EQ(end.x(), chart.width());
  EXPECT_TRUE(isColour(chart, start + QPoint(0, -4), rgbOf(0, 0, 0)));
  EXPECT_TRUE(isColour(chart, end + QPoint(-4, 0), rgbOf(0, 0, 0)));
}

TEST(MainWindow, ReadOutsFollowThePointerAndTheBackgroundEmptiesThem) {
  ProgramRig rig;
  ramp(rig.session);
  const MainViewSources sources = rig.session.viewSources();
  const int x = sources.path.SurfaceX(5.0f, sources.view);
  move(rig.picture("ImageSurf"), {x, 50});
  EXPECT_EQ(rig.text("StatusPanel0").rfind("Curseur: L=", 0), 0u) << rig.text("StatusPanel0");
  EXPECT_NE(rig.text("StatusPanel0").find("H=  2.00 m"), std::string::npos) << rig.text("StatusPanel0");
  move(rig.find<QWidget>("ClientArea"), {2, 2});
  EXPECT_EQ(rig.text("StatusPanel0"), "");
  EXPECT_EQ(rig.text("StatusPanel1"), "");
  move(rig.picture("ImageRemplissageTuyau"), {3, 3});
  EXPECT_EQ(rig.text("StatusPanel0").rfind("Remplissage tuyau=", 0), 0u) << rig.text("StatusPanel0");
}

TEST(MainWindow, APointIsPickedWithinNinePixelsAndNotAtTen) {
  ProgramRig rig;
  ramp(rig.session);
  PictureView* chart = rig.picture("ImageProp");
  const QPoint first = pointOf(rig.session, 1);  // (0, bottom)
  const QPoint near = first + QPoint(9, -9);
  move(chart, near);
  EXPECT_EQ(chart->cursor().shape(), Qt::SizeAllCursor);
  EXPECT_EQ(rig.text("StatusPanel1").rfind("Proportions originales : L= 0", 0), 0u) << rig.text("StatusPanel1");
  EXPECT_TRUE(rig.find<QAction>("PopupImagePropSupprimer")->isEnabled());
  move(chart, first + QPoint(10, -9));
  EXPECT_EQ(chart->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(rig.text("StatusPanel1"), "");
  EXPECT_FALSE(rig.find<QAction>("PopupImagePropSupprimer")->isEnabled());
  EXPECT_TRUE(rig.find<QAction>("PopupImagePropInserer")->isEnabled());
}

TEST(MainWindow, APointDraggedPastItsNeighbourIsSortedAfterIt) {
  ProgramRig rig;
  ramp(rig.session);
  rig.session.appendProportion("5", 50);  // rows: 0 m, 5 m, 10 m
  PictureView* chart = rig.picture("ImageProp");
  const QPoint first = pointOf(rig.session, 1);
  const MainViewSources sources = rig.session.viewSources();
  const QPoint beyond(sources.path.SurfaceX(7.0f, sources.view), first.y());
  move(chart, first);
  press(chart, first);
  move(chart, beyond);
  release(chart, beyond);
  // The point jumped past its neighbour at 5 m: the table is sorted again.
  ASSERT_EQ(rig.session.plan().proportionCount(), 3);
  EXPECT_EQ(rig.session.plan().distanceOf(1), 5.0);
  EXPECT_NEAR(rig.session.plan().distanceOf(2), 7.0, 0.05);
  EXPECT_EQ(rig.session.plan().proportionOf(2), sources.path.ProportionAtY(first.y(), sources.view));
  EXPECT_EQ(rig.session.plan().distanceOf(3), 10.0);
}

TEST(MainWindow, RightClickRePlacesThePointThenOffersInsertAndDelete) {
  ProgramRig rig;
  ramp(rig.session);
  PictureView* chart = rig.picture("ImageProp");
  const QPoint first = pointOf(rig.session, 1);
  const QPoint at = first + QPoint(3, -20);  // 20 pixels up is out of reach...
  move(chart, first + QPoint(3, -5));        // ...so the pointer first finds the point
  press(chart, first + QPoint(3, -5), Qt::RightButton);
  release(chart, first + QPoint(3, -5), Qt::RightButton);
  // The press and release on the point re-place it at the pixel under the pointer.
  const MainViewSources sources = rig.session.viewSources();
  EXPECT_EQ(rig.session.plan().proportionOf(1), sources.path.ProportionAtY(first.y() - 5, sources.view));
  auto* popup = rig.window.findChild<QMenu*>(QStringLiteral("PopupImageProp"));
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->isVisible());
  popup->close();
  // "Insérer" adds a row where the pop-up was opened.
  move(chart, at);
  rig.find<QAction>("PopupImagePropInserer")->trigger();
  EXPECT_EQ(rig.session.plan().proportionCount(), 3);
}

TEST(MainWindow, PumpLitresCalibrateThePulsesPerLitre) {
  ProgramRig rig;
  auto* litres = rig.find<ClickablePanel>("LitresP1");
  EXPECT_FALSE(litres->isEnabled());  // nothing counted yet
  // 1100 pulses on P1 (input 7), one edge per tick.
  sim::SimulatedK8000* card = rig.program.simulatedCard();
  ASSERT_NE(card, nullptr);
  click(rig.find<QPushButton>("ButRemplissage_Full"));  // the pump counters count with the hose full
  rig.run(20);
  for (int i = 0; i < 1100; ++i) {
    card->setPulledLowMask(static_cast<std::uint16_t>(card->pulledLowMask() ^ (1u << 6)));
    rig.run(20);
  }
  EXPECT_EQ(rig.text("TrP1"), "1100");
  ASSERT_TRUE(litres->isEnabled());
  rig.asker.values.push_back("5");
  click(litres);
  ASSERT_EQ(rig.asker.valueQuestions.size(), 1u);
  EXPECT_EQ(rig.asker.valueQuestions[0].first, "Consommation pompe P1 (litres)");
  EXPECT_EQ(rig.text("P1trl"), "220");
  EXPECT_EQ(rig.text("LitresP1"), "5.0");
}

TEST(MainWindow, DistanceEntryMovesTheBarsAndLocksTheHoseBar) {
  ProgramRig rig;
  ramp(rig.session);
  rig.asker.values.push_back("2.5");
  click(rig.find<ClickablePanel>("Distance"));
  EXPECT_EQ(rig.text("Distance"), "2.50");
  EXPECT_FLOAT_EQ(rig.session.state().Distance, 2.5f);
  EXPECT_GT(rig.session.main().ImageParcouru.fillTo, 0);
  // With a distance travelled the hose bar does not move and "|<-" does nothing.
  PictureView* hose = rig.picture("ImageRemplissageTuyau");
  const float fill = rig.session.state().HoseFill;
  press(hose, {0, 5});
  move(hose, {60, 5});
  release(hose, {60, 5});
  EXPECT_EQ(rig.session.state().HoseFill, fill);
  click(rig.find<QPushButton>("ButRemplissage_0"));
  EXPECT_EQ(rig.session.state().HoseFill, fill);
  // "->|<-" still resets the distance and fills the hose.
  click(rig.find<QPushButton>("ButRemplissage_Full"));
  EXPECT_EQ(rig.text("Distance"), "0.00");
  EXPECT_EQ(rig.session.state().HoseFill, std::stof(rig.session.settings().settings().Retard));
}

TEST(MainWindow, LanguagesRelabelTheWindowOnly) {
  ProgramRig rig;
  rig.action("MIEnglish")->trigger();
  EXPECT_TRUE(rig.action("MIEnglish")->isChecked());
  EXPECT_FALSE(rig.action("MIFrancais")->isChecked());
  EXPECT_EQ(rig.action("MIHelpAboutItem")->statusTip().toStdString(), "Show program information");
  EXPECT_EQ(rig.find<QGroupBox>("GBEffectue")->title().toStdString(), "Executed");
  EXPECT_EQ(rig.find<QMenu>("MIHelpMenu")->title().toStdString(), "?");
  EXPECT_EQ(rig.find<QMenu>("MIHelpMenu")->menuAction()->statusTip().toStdString(), "Help");
  EXPECT_EQ(rig.text("LTotm"), "m");  // units never change
  rig.action("MIDeutsch")->trigger();
  rig.action("MIFrancais")->trigger();
  EXPECT_EQ(rig.action("MIOpen")->text().toStdString(), "Ouvrir");
  EXPECT_EQ(rig.text("LProportions"), "Proportion");
  EXPECT_EQ(rig.text("LProportions2"), "Proportions");
  EXPECT_EQ(rig.action("MIHelpAboutItem")->statusTip().toStdString(), "");
  EXPECT_EQ(rig.find<QRadioButton>("RBStop")->text().toStdString(), "Stop");
}

TEST(MainWindow, SaveAsWritesTheJobAndAnUnwritableSaveShowsTheError) {
  ProgramRig rig;
  ramp(rig.session);
  rig.asker.saveAnswers.push_back(rig.path("job.prv"));
  rig.action("MISaveAs")->trigger();
  for (const char* file : {"job.prv", "job.sev", "job.spv", "job.cov"})
    EXPECT_TRUE(QFile::exists(QString::fromStdString(rig.path(file)))) << file;
  EXPECT_NE(rig.window.windowTitle().toStdString().find("job.prv"), std::string::npos);
  EXPECT_TRUE(rig.asker.errors.empty());

  rig.asker.saveAnswers.push_back(rig.path("missing-folder/job.prv"));
  rig.action("MISaveAs")->trigger();
  ASSERT_EQ(rig.asker.errors.size(), 1u);
  EXPECT_NE(rig.asker.errors[0].find("missing-folder"), std::string::npos) << rig.asker.errors[0];
  // "&Enregistrer" on a named job asks nothing.
  rig.action("MISave")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);
}

// A project whose colour file is missing, opened after another from elsewhere: the colour
// file's dialog starts in the project's own folder, on the name the file should have.
TEST(MainWindow, AMissingFilesDialogStartsInTheProjectsFolderOnItsName) {
  ProgramRig rig;
  rig.openExample();
  QDir(rig.folder.path()).mkdir(QStringLiteral("mur"));
  for (const char* ext : {".prv", ".spv", ".sev"})
    ASSERT_TRUE(QFile::copy(QStringLiteral(CHROMAFLOW_EXAMPLES "/wall") + ext,
                            QString::fromStdString(rig.path("mur/nord")) + ext));
  rig.asker.openAsked.clear();
  rig.asker.openAnswers.push_back(rig.path("mur/nord.prv"));
  rig.action("MIOpen")->trigger();  // the colour file's dialog is cancelled
  ASSERT_EQ(rig.asker.openAsked.size(), 2u);
  EXPECT_EQ(rig.asker.openAsked[1], std::make_pair(DocumentKind::Colours, rig.path("mur/nord.cov")));
  EXPECT_EQ(rig.session.plan().surfaceCount(), 4);
}

TEST(MainWindow, TheCaptionMarksChangesAndClosingAsksBeforeLosingThem) {
  ProgramRig rig;
  rig.openExample();
  const QString caption = QString::fromUtf8("Chromaflow Velmora - " CHROMAFLOW_EXAMPLES "/wall.prv");
  EXPECT_EQ(rig.window.windowTitle(), caption);
  // An edit anywhere in the job: a line typed in the user text.
  auto* memo = rig.program.userText().findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  ASSERT_NE(memo, nullptr);
  memo->appendPlainText(QStringLiteral("Deuxième couche demain."));
  EXPECT_EQ(rig.window.windowTitle(), caption + "*");

  // "&Quitter", then "Annuler": the window stays, with the job as it was.
  rig.action("MIExit")->trigger();
  EXPECT_TRUE(rig.window.isVisible());
  EXPECT_EQ(rig.asker.saveChangesAsked, std::vector<std::string>{"wall.prv"});
  EXPECT_EQ(rig.session.project().userText().back(), "Deuxième couche demain.");
  // "&Nouveau", then "Annuler": nothing renewed.
  rig.action("MINew")->trigger();
  EXPECT_EQ(rig.asker.saveChangesAsked.size(), 2u);
  EXPECT_EQ(rig.window.windowTitle(), caption + "*");
  // The close box, then "Ne pas enregistrer": the window may close.
  rig.asker.saveChoices = {SaveChoice::DontSave};
  QCloseEvent closing;
  QApplication::sendEvent(&rig.window, &closing);
  EXPECT_TRUE(closing.isAccepted());
  EXPECT_EQ(rig.asker.saveChangesAsked.size(), 3u);

  // Saved under another name, the job is as its files: the mark goes and nothing is asked.
  rig.asker.saveAnswers.push_back(rig.path("copie.prv"));
  rig.action("MISaveAs")->trigger();
  EXPECT_EQ(rig.window.windowTitle().toStdString(), "Chromaflow Velmora - " + rig.path("copie.prv"));
  QCloseEvent closingSaved;
  QApplication::sendEvent(&rig.window, &closingSaved);
  EXPECT_TRUE(closingSaved.isAccepted());
  EXPECT_EQ(rig.asker.saveChangesAsked.size(), 3u);
}

TEST(MainWindow, PrintsTheClientAreaOnOnePage) {
  ProgramRig rig;
  ramp(rig.session);
  const QString pdf = QString::fromStdString(rig.path("page.pdf"));
  rig.window.setPrintConfirmation([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  rig.action("MIPrint")->trigger();
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);

  // Cancelling the print dialog prints nothing.
  QFile::remove(pdf);
  rig.window.setPrintConfirmation([](QPrinter&) { return false; });
  rig.action("MIPrint")->trigger();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST(MainWindow, APrintoutHoldsTheWholeWindow) {
  // 1000 x 600 screen pixels at 96 dpi on a 600 dpi page: 6250 x 3750 printer pixels.
  EXPECT_EQ(printedArea({1000, 600}, 6.25, {7000, 4500}), QRectF(0, 0, 6250, 3750));
  // A window of 1920 px does not fit on A4 landscape (about 6800 x 4600 at 600 dpi): the whole of
  // it is scaled down, its proportions kept.
  const QRectF fitted = printedArea({1920, 1000}, 6.25, {6800, 4600});
  EXPECT_DOUBLE_EQ(fitted.width(), 6800);
  EXPECT_DOUBLE_EQ(fitted.height(), 6800.0 * 1000 / 1920);
  const QRectF tall = printedArea({1920, 1080}, 6.25, {4600, 6800});
  EXPECT_DOUBLE_EQ(tall.width(), 4600);
  EXPECT_LE(tall.height(), 6800);

  // The dialog proposes the page turned as the window is.
  ProgramRig rig;
  std::vector<QPageLayout::Orientation> proposed;
  rig.window.setPrintConfirmation([&](QPrinter& printer) {
    proposed.push_back(printer.pageLayout().orientation());
    return false;
  });
  rig.window.resize(1200, 700);
  QApplication::processEvents();
  rig.action("MIPrint")->trigger();
  ASSERT_EQ(proposed.size(), 1u);
  EXPECT_EQ(proposed[0], QPageLayout::Landscape);
}

TEST(MainWindow, SurfaceViewIsSavedAsABitmapOthersCanOpen) {
  ProgramRig rig;
  ramp(rig.session);
  rig.asker.saveAnswers.push_back(rig.path("wall.bmp"));
  rig.find<QAction>("PopupImageSurfBitmap")->trigger();
  ASSERT_EQ(rig.asker.saveAsked.size(), 1u);
  EXPECT_EQ(rig.asker.saveAsked[0].first, DocumentKind::Bitmap);
  QImage saved(QString::fromStdString(rig.path("wall.bmp")), "BMP");
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), rig.picture("ImageSurf")->picture().size());
  // Cancelled: nothing written.
  rig.find<QAction>("PopupImageSurfBitmap")->trigger();
  EXPECT_EQ(rig.asker.saveAsked.size(), 2u);
}

TEST(MainWindow, ColourPickedOnTheSurfaceViewIsShown) {
  ProgramRig rig;
  ramp(rig.session);
  PictureView* surface = rig.picture("ImageSurf");
  const QPoint at(surface->picture().width() / 2, surface->picture().height() - 2);
  const QColor colour = surface->picture().pixelColor(at);
  press(surface, at);
  release(surface, at);
  EXPECT_EQ(rig.text("PropR"), std::to_string(colour.red()));
  EXPECT_EQ(rig.text("PropG"), std::to_string(colour.green()));
  EXPECT_EQ(rig.text("PropB"), std::to_string(colour.blue()));
  QWidget& view = rig.program.fullColourView();
  EXPECT_EQ(view.palette().color(QPalette::Window), colour);
  click(rig.find<ClickablePanel>("PanelRGB"));
  EXPECT_TRUE(view.isVisible());
}

// Which of the program's windows a gesture opened modally: it is closed as soon as it shows.
std::string windowOpenedBy(const std::function<void()>& gesture);

TEST(MainWindow, OnlyAWindowThatCanChangeTheCardOrAJobReInitialisesIt) {
  ProgramRig rig;
  ramp(rig.session);
  rig.run(100);
  EXPECT_FALSE(rig.session.state().FirstCycle);
  // Half-way through the job: the distance entered stays through windows that only show or
  // note things.
  rig.asker.values.push_back("3");
  click(rig.find<ClickablePanel>("Distance"));
  EXPECT_FLOAT_EQ(rig.session.state().Distance, 3.0f);
  const float hose = rig.session.state().HoseFill;
  const std::pair<const char*, const char*> aside[] = {{"Texteutilisateur1", "FTexteUtilisateur"},
                                                       {"Correctionautodesproportions1", "FcorrectionPct"},
                                                       {"MIHelpAboutItem", "FmAboutBox"}};
  for (const auto& [entry, window] : aside) {
    EXPECT_EQ(windowOpenedBy([&] { rig.action(entry)->trigger(); }), window);
    EXPECT_FALSE(rig.session.state().FirstCycle) << entry;
    EXPECT_FLOAT_EQ(rig.session.state().Distance, 3.0f) << entry;
    EXPECT_FLOAT_EQ(rig.session.state().HoseFill, hose) << entry;
  }
  EXPECT_EQ(windowOpenedBy([&] { click(rig.find("PCorrect")); }), "FcorrectionPct");
  EXPECT_FLOAT_EQ(rig.session.state().Distance, 3.0f);
  // Coming back from one that can change the card or a document re-initialises the card and
  // starts the job again.
  for (const char* entry : {"MISurface", "MIColorf", "MIProprietes", "MIFullcardtest"}) {
    rig.asker.values.push_back("3");
    click(rig.find<ClickablePanel>("Distance"));
    rig.run(100);
    windowOpenedBy([&] { rig.action(entry)->trigger(); });
    EXPECT_TRUE(rig.session.state().FirstCycle) << entry;
    EXPECT_EQ(rig.session.state().Distance, 0.0f) << entry;
    EXPECT_EQ(rig.session.state().HoseFill, 0.0f) << entry;
  }
}

std::string windowOpenedBy(const std::function<void()>& gesture) {
  std::string opened;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      opened = dialog->objectName().toStdString();
      dialog->reject();
    }
  });
  gesture();
  QApplication::processEvents();
  return opened;
}

TEST(MainWindow, EveryMenuButtonAndGestureOpensItsWindow) {
  ProgramRig rig;
  rig.openExample();
  const std::pair<const char*, const char*> menus[] = {
      {"MISurface", "FSurfProp"},      {"MIColorf", "FColFProp"},
      {"MIProprietes", "FSettings"},   {"MIFullcardtest", "FTestInterface"},
      {"Texteutilisateur1", "FTexteUtilisateur"}, {"Correctionautodesproportions1", "FcorrectionPct"}};
  for (const auto& [entry, window] : menus) {
    EXPECT_TRUE(rig.action(entry)->isEnabled()) << entry;
    EXPECT_EQ(windowOpenedBy([&] { rig.action(entry)->trigger(); }), window) << entry;
  }
  EXPECT_EQ(windowOpenedBy([&] { click(rig.find("TBSurface")); }), "FSurfProp");
  EXPECT_EQ(windowOpenedBy([&] { click(rig.find("TBColorf")); }), "FColFProp");
  for (const char* view : {"ImageSurf", "ImageProp"}) {
    PictureView* picture = rig.picture(view);
    EXPECT_EQ(windowOpenedBy([&] { QTest::mouseDClick(picture, Qt::LeftButton, {}, QPoint(20, 20)); }), "FSurfProp")
        << view;
  }
  QAction* modify = rig.find<QMenu>("PopupImageSurf")->findChild<QAction*>("PopupImageSurfModifier");
  EXPECT_TRUE(modify->isEnabled());
  EXPECT_EQ(windowOpenedBy([&] { modify->trigger(); }), "FSurfProp");
  EXPECT_EQ(windowOpenedBy([&] { click(rig.picture("ImagePropCoul")); }), "FColFProp");
  EXPECT_EQ(windowOpenedBy([&] { click(rig.find("LDistanceUnit")); }), "FColFProp");
  EXPECT_EQ(windowOpenedBy([&] { click(rig.find("PCorrect")); }), "FcorrectionPct");
  // Every return re-initialises the card.
  rig.run(100);
  EXPECT_FALSE(rig.session.state().FirstCycle);
  windowOpenedBy([&] { rig.action("MIProprietes")->trigger(); });
  EXPECT_TRUE(rig.session.state().FirstCycle);
}

// The menu entry reached as the operator reaches it: from the menu bar, menu by menu, by the
// captions shown. Null when it is not there or not shown.
QAction* reachThroughMenus(QMenuBar* bar, const std::vector<QString>& captions) {
  QList<QAction*> entries = bar->actions();
  QAction* reached = nullptr;
  for (const QString& caption : captions) {
    reached = nullptr;
    for (QAction* entry : entries)
      if (entry->text() == caption && entry->isVisible()) reached = entry;
    if (!reached) return nullptr;
    entries = reached->menu() ? reached->menu()->actions() : QList<QAction*>{};
  }
  return reached;
}

TEST(MainWindow, EveryEntryOfTheMenusIsReachedFromTheMenuBar) {
  ProgramRig rig;
  rig.openExample();
  QMenuBar* bar = rig.window.menuBar();
  struct Entry {
    std::vector<QString> path;
    const char* name;
    const char* shortcut;
    const char* window;  // what it opens modally, if anything
  };
  const Entry entries[] = {
      {{"&Projet", "&Nouveau"}, "MINew", "Ctrl+N", nullptr},
      {{"&Projet", "&Ouvrir..."}, "MIOpen", "Ctrl+O", nullptr},
      {{"&Projet", "&Enregistrer"}, "MISave", "Ctrl+E", nullptr},
      {{"&Projet", "En&registrer sous..."}, "MISaveAs", "", nullptr},
      {{"&Projet", "&Imprimer..."}, "MIPrint", "", nullptr},
      {{"&Projet", "&Configuration de l'impression"}, "MIPrintSetup", "", nullptr},
      {{"&Projet", "&Quitter"}, "MIExit", "", nullptr},
      {{"&Edition", "&Surface"}, "MISurface", "", "FSurfProp"},
      {{"&Edition", "&Couleur=f(%)"}, "MIColorf", "", "FColFProp"},
      {{"&Edition", "Texte utilisateur"}, "Texteutilisateur1", "", "FTexteUtilisateur"},
      {{"&Edition", "Terminer le chantier"}, "MITerminerChantier", "", nullptr},
      {{"Pr&opriétés"}, "MIProprietes", "", "FSettings"},
      {{"&Interface", "&Port parallèle", "Prn"}, "MIPrn", "", nullptr},
      {{"&Interface", "&Port parallèle", "Lpt1"}, "MILpt1", "", nullptr},
      {{"&Interface", "&Port parallèle", "Lpt2"}, "MILpt2", "", nullptr},
      {{"&Interface", "&Test", "&Test complet de la carte K8000"}, "MIFullcardtest", "", "FTestInterface"},
      {{"&Interface", "Correction auto des proportions"}, "Correctionautodesproportions1", "", "FcorrectionPct"},
      {{"Langue", "English"}, "MIEnglish", "", nullptr},
      {{"Langue", "Français"}, "MIFrancais", "", nullptr},
      {{"Langue", "Nederlands"}, "MINederlands", "", nullptr},
      {{"Langue", "Deutsch"}, "MIDeutsch", "", nullptr},
      {{"&?", "Aide sur l'&Utilisation"}, "MIHelpContentsItem", "", nullptr},
      {{"&?", "&A propos de Chromaflow"}, "MIHelpAboutItem", "", nullptr},
  };
  for (const Entry& entry : entries) {
    QAction* reached = reachThroughMenus(bar, entry.path);
    ASSERT_NE(reached, nullptr) << entry.name;
    EXPECT_EQ(reached->objectName().toStdString(), entry.name);
    EXPECT_EQ(reached->shortcut().toString().toStdString(), entry.shortcut) << entry.name;
    if (entry.window) {
      EXPECT_EQ(windowOpenedBy([&] { reached->trigger(); }), entry.window) << entry.name;
    }
  }
  // The port's radio items reached from the bar drive the port, as the menu says.
  reachThroughMenus(bar, {"&Interface", "&Port parallèle", "Lpt2"})->trigger();
  EXPECT_TRUE(rig.action("MILpt2")->isChecked());
  EXPECT_FALSE(rig.action("MILpt1")->isChecked());
  // "Test &Chromaflow" stands in the test menu, hidden.
  EXPECT_EQ(reachThroughMenus(bar, {"&Interface", "&Test", "Test &Chromaflow"}), nullptr);
  EXPECT_FALSE(rig.action("MIPaintingapplicationtest")->isVisible());
}

TEST(MainWindow, ThePickerOpenedFromTheModalColourWindowTakesInput) {
  ProgramRig rig;
  QDialog& colours = rig.program.colourWindow();
  ImageForm& picker = rig.program.imageForm();
  bool closedByClick = false;
  QTimer::singleShot(0, &colours, [&] {
    auto* grid = colours.findChild<QTableView*>("StringGridProp");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
    ASSERT_TRUE(picker.isVisible());
    // The window system keeps it above the colour window, and a click through it, which a modal
    // window would drop on a window it blocks, reaches it.
    EXPECT_EQ(picker.windowHandle()->transientParent(), colours.windowHandle());
    auto* cancel = picker.findChild<QPushButton*>("Cancel");
    QTest::mouseClick(picker.windowHandle(), Qt::LeftButton, {}, cancel->mapTo(&picker, cancel->rect().center()));
    closedByClick = !picker.isVisible();
    colours.reject();
  });
  rig.action("MIColorf")->trigger();
  EXPECT_TRUE(closedByClick);
}

TEST(MainWindow, TheWindowsOpenedFromThePlanOrTheColoursCloseWithIt) {
  ProgramRig rig;
  rig.openExample();
  PlanWindow& plan = rig.program.planWindow();
  QTimer::singleShot(0, &plan, [&] {
    auto* grid = plan.findChild<QTableView*>("StringGridSurf");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
    EXPECT_TRUE(rig.program.surfaceEditor().isVisible());
    plan.accept();
  });
  rig.action("MISurface")->trigger();
  EXPECT_FALSE(rig.program.surfaceEditor().isVisible());

  ColourWindow& colours = rig.program.colourWindow();
  QTimer::singleShot(0, &colours, [&] {
    rig.program.imageForm().openOnRow(1);
    EXPECT_TRUE(rig.program.imageForm().isVisible());
    colours.accept();
  });
  rig.action("MIColorf")->trigger();
  EXPECT_FALSE(rig.program.imageForm().isVisible());
}

TEST(MainWindow, StartRunsTheSimulatedMachineAndTheFiguresMove) {
  ProgramRig rig;
  rig.openExample();
  rig.find<QRadioButton>("RBStart")->click();
  EXPECT_TRUE(rig.session.state().Running);
  click(rig.find<QPushButton>("BPistolet"));
  EXPECT_EQ(rig.find<QPushButton>("BPistolet")->text().toStdString(), "ON");
  rig.run(40'000);  // the hose fills first, then the roller lays paint along the wall
  EXPECT_NE(rig.text("TrRoul"), "0");
  EXPECT_NE(rig.text("TrP1"), "0");
  EXPECT_GT(rig.session.state().Distance, 1.0f);
  EXPECT_EQ(rig.text("Distance"), rig.session.main().Distance);
  EXPECT_GT(rig.session.main().ImageParcouru.fillTo, 0);
  rig.find<QRadioButton>("RBStop")->click();
  const std::string stoppedAt = rig.text("TrRoul");
  rig.run(2'000);
  EXPECT_EQ(rig.text("TrRoul"), stoppedAt);
}

// An alarm is listed where the roller was when it was raised, also after the operator looked at
// the correction window half-way (its return used to start the job again at 0.00 m).
TEST(MainWindow, AnAlarmIsRecordedWhereTheRollerWasWhenRaised) {
  ProgramRig rig;
  rig.openExample();
  rig.find<QRadioButton>("RBStart")->click();
  click(rig.find<QPushButton>("BPistolet"));
  while (rig.session.state().Distance < 6) rig.run(1'000);
  EXPECT_EQ(windowOpenedBy([&] { rig.action("Correctionautodesproportions1")->trigger(); }), "FcorrectionPct");
  const float before = rig.session.state().Distance;
  ASSERT_GE(before, 6.0f);

  // The pumps' counts flicker about the alarm limits all along the wall: alarms come.
  const std::size_t alarmsBefore = rig.session.jobRecord().alarms().size();
  float raisedAt = -1;
  for (int second = 0; second < 60 && raisedAt < 0; ++second) {
    rig.run(1'000);
    const auto& alarms = rig.session.jobRecord().alarms();
    if (alarms.size() > alarmsBefore) raisedAt = alarms.back().startDistance;
  }
  EXPECT_GE(raisedAt, before);
  EXPECT_LE(raisedAt, rig.session.state().Distance);

}

// Catches what the program asks the desktop to open, instead of a browser.
class OpenedUrls : public QObject {
  Q_OBJECT
 public:
  OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

TEST(MainWindow, TheInstalledManualOpensInTheBrowserWithoutAFileDialog) {
  ProgramRig rig;
  OpenedUrls opened;
  const QString here = QDir::currentPath();
  QDir::setCurrent(rig.folder.path());  // no manual of old beside the program
  rig.action("MIHelpContentsItem")->trigger();
  QDir::setCurrent(here);
  EXPECT_TRUE(rig.asker.openAsked.empty());
  EXPECT_TRUE(rig.asker.errors.empty());
  ASSERT_EQ(opened.urls.size(), 1);
  const QString page = opened.urls[0].toLocalFile();
  EXPECT_TRUE(page.endsWith(QStringLiteral("/share/chromaflow/manual.html"))) << page.toStdString();
  QFile file(page);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("First run: the simulated machine"));
}

}  // namespace
}  // namespace chromaflow::testing

#include "main_window_test.moc"
