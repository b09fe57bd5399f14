// The image viewer and colour picker in the whole program: pictures of the four kinds loaded
// from the file list, the colour picked from a bitmap through the stretch, the refusals in the
// error box, the bars, the colour panel's text, the buttons with the duplicate warning, and the
// full-size and full-colour windows.

#include "gui/plan/image_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTest>
#include <QToolButton>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>

#include "gui/plan/metafile_picture.h"
#include "gui/plan/selected_colour_view.h"
#include "gui/plan/view_form.h"
#include "gui/program_rig.h"
#include "gui/widgets/clickable_panel.h"

namespace chromaflow {
namespace {

using testing::ProgramRig;

// Little-endian bytes of a metafile, as the test writes them.
struct Bytes {
  QByteArray data;
  Bytes& u16(unsigned v) {
    data.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
    return *this;
  }
  Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
};

// A 200 x 100 placeable WMF at 96 units per inch: one red rectangle over the whole of it.
QByteArray redRectangleWmf() {
  // Key, handle, bounding box, units per inch, reserved; then the checksum of these words.
  const std::uint16_t placeableWords[] = {0xCDD7, 0x9AC6, 0, 0, 0, 200, 100, 96, 0, 0};
  Bytes placeable;
  std::uint16_t checksum = 0;
  for (std::uint16_t word : placeableWords) {
    placeable.u16(word);
    checksum ^= word;
  }
  placeable.u16(checksum);
  Bytes records;
  const auto record = [&records](std::uint32_t words, unsigned function, std::initializer_list<unsigned> fields) {
    records.u32(words).u16(function);
    for (unsigned field : fields) records.u16(field);
  };
  record(5, 0x020B, {0, 0});                  // window origin
  record(5, 0x020C, {100, 200});              // window extent
  record(7, 0x02FC, {0, 0x00FF, 0x0000, 0});  // solid red brush
  record(4, 0x012D, {0});                     // select it
  record(7, 0x041B, {100, 200, 0, 0});        // rectangle
  record(3, 0x0000, {});                      // end
  Bytes header;
  header.u16(1).u16(9).u16(0x300).u32(9 + records.data.size() / 2).u16(1).u32(7).u16(0);
  return placeable.data + header.data + records.data;
}

// A 200 x 100 EMF: one red rectangle.
QByteArray redRectangleEmf() {
  Bytes emf;
  emf.u32(1).u32(88).u32(0).u32(0).u32(199).u32(99).u32(0).u32(0).u32(5292).u32(2646);
  emf.u32(0x464D4520).u32(0x10000).u32(168).u32(5).u16(2).u16(0).u32(0).u32(0).u32(0);
  emf.u32(1920).u32(1080).u32(508).u32(286);
  emf.u32(39).u32(24).u32(1).u32(0).u32(0xFF).u32(0);  // solid red brush
  emf.u32(37).u32(12).u32(1);                          // select it
  emf.u32(43).u32(24).u32(0).u32(0).u32(199).u32(99);  // rectangle
  emf.u32(14).u32(20).u32(0).u32(16).u32(20);          // end
  return emf.data;
}

// A WMF without placeable header that writes "Devis" in Arial.
QByteArray textWmf() {
  Bytes records;
  records.u32(5).u16(0x020B).u16(0).u16(0);                                                       // window origin
  records.u32(5).u16(0x020C).u16(100).u16(200);                                                   // window extent
  records.u32(28).u16(0x02FB).u16(20).u16(0).u16(0).u16(0).u16(400).u16(0).u16(0).u16(0).u16(0);  // font
  QByteArray face("Arial");
  face.resize(32, '\0');
  records.data.append(face);
  records.u32(4).u16(0x012D).u16(0);  // select it
  records.u32(9).u16(0x0521).u16(5);  // text out
  records.data.append("Devis").append('\0');
  records.u16(50).u16(10);
  records.u32(3).u16(0x0000);  // end
  Bytes header;
  header.u16(1).u16(9).u16(0x300).u32(9 + records.data.size() / 2).u16(1).u32(28).u16(0);
  return header.data + records.data;
}

struct ImageFormTest : ::testing::Test {
  ProgramRig rig;
  ImageForm& form = rig.program.imageForm();

  template <typename Widget = QWidget>
  Widget* find(const char* name) {
    auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QSpinBox* spin(const char* name) { return find<QSpinBox>(name); }
  QString file(const char* name) { return QString::fromStdString(rig.path(name)); }
  void write(const char* name, const QByteArray& bytes) {
    QFile out(file(name));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
  }
  // A 100 x 50 bitmap whose pixel (x, y) has red 2x, green 4y and blue 7.
  void writeGradient(const char* name) {
    QImage image(100, 50, QImage::Format_RGB32);
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 100; ++x) image.setPixel(x, y, qRgb(2 * x, 4 * y, 7));
    ASSERT_TRUE(image.save(file(name), "BMP"));
  }
  void clickPicture(int x, int y) { QTest::mouseClick(find("Image1"), Qt::LeftButton, {}, QPoint(x, y)); }
  std::vector<int> components() {
    return {spin("SpinEditColR")->value(), spin("SpinEditColG")->value(), spin("SpinEditColB")->value()};
  }
  std::string text(const char* name) { return find<QLineEdit>(name)->text().toStdString(); }
  QColor panelText() { return find("PanelRGB")->palette().color(QPalette::WindowText); }
  // The pointer over a widget with no button held (QTest moves only with a button down).
  static void hover(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(widget, &move);
  }
  void press(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
};

TEST_F(ImageFormTest, StretchedBitmapGivesThePixelUnderTheClickAndItsPosition) {
  writeGradient("sample.bmp");
  form.openOnRow(1);
  ASSERT_TRUE(form.loadPicture(file("sample.bmp")));
  EXPECT_EQ(form.windowTitle().toStdString(), "Visualiseur d'image - sample.bmp (100 x 50)");
  ViewForm& full = rig.program.viewForm();
  EXPECT_EQ(full.picture().size(), QSize(100, 50));
  EXPECT_EQ(full.windowTitle(), form.windowTitle());

  clickPicture(227, 174);  // in the 454 x 349 frame: pixel (50, 25)
  EXPECT_EQ(components(), (std::vector<int>{100, 100, 7}));
  EXPECT_EQ(text("EditPosX"), "50");
  EXPECT_EQ(text("EditPosY"), "25");

  // Unstretched, the frame shows the picture at its own size: the click is the pixel.
  find<QCheckBox>("StretchCheck")->click();
  clickPicture(10, 20);
  EXPECT_EQ(components(), (std::vector<int>{20, 80, 7}));
  EXPECT_EQ(text("EditPosX"), "10");
  clickPicture(300, 100);  // beside the picture: nothing changes
  EXPECT_EQ(components(), (std::vector<int>{20, 80, 7}));
  EXPECT_EQ(text("EditPosY"), "20");
  EXPECT_TRUE(rig.asker.errors.empty());
}

TEST_F(ImageFormTest, FileListShowsTheMaskAndAClickLoadsTheFile) {
  writeGradient("MUR.BMP");
  write("notes.txt", "not a picture");
  write("drop.wmf", redRectangleWmf());
  form.openOnRow(1);
  form.showFolder(QString::fromStdString(rig.path("")));
  auto* list = find<QListView>("FileListBox1");
  const auto shown = [list] {
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
      names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    names.sort();
    return names;
  };
  QTRY_COMPARE(shown(), (QStringList{"MUR.BMP", "drop.wmf"}));

  // Enter in the mask edit applies the mask and does not press "OK".
  auto* mask = find<QLineEdit>("FileEdit");
  mask->setText("*.txt");
  QTest::keyClick(mask, Qt::Key_Return);
  QTRY_COMPARE(shown(), (QStringList{"notes.txt"}));
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(rig.session.colours().rows().empty());

  auto* filters = find<QComboBox>("FilterComboBox1");
  ASSERT_EQ(filters->count(), 5);
  filters->setFocus();
  QTest::keyClick(filters, Qt::Key_Down);  // "Fichiers Bitmap (*.bmp)"
  EXPECT_EQ(mask->text(), "*.bmp");
  QTRY_COMPARE(shown(), (QStringList{"MUR.BMP"}));

  // A click on the upper-case bitmap loads it.
  const QModelIndex bitmap = list->model()->index(0, 0, list->rootIndex());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(bitmap).center());
  EXPECT_EQ(form.windowTitle().toStdString(), "Visualiseur d'image - MUR.BMP (100 x 50)");
}

TEST_F(ImageFormTest, IconsAndMetafilesLoadButRefuseAPick) {
  write("drop.wmf", redRectangleWmf());
  write("drop.emf", redRectangleEmf());
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(QColor(255, 0, 0));
  ASSERT_TRUE(icon.save(file("drop.ico"), "ICO"));
  form.openOnRow(1);

  // An icon keeps its size in the frame and becomes the window's icon.
  ASSERT_TRUE(form.loadPicture(file("drop.ico")));
  EXPECT_EQ(form.windowTitle().toStdString(), "Visualiseur d'image - drop.ico");
  EXPECT_EQ(find<PictureView>("Image1")->picture().pixelColor(5, 5), QColor(255, 0, 0));
  EXPECT_NE(find<PictureView>("Image1")->picture().pixelColor(227, 174), QColor(255, 0, 0));
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(rig.program.viewForm().picture().size(), QSize(32, 32));
  clickPicture(5, 5);
  EXPECT_EQ(rig.asker.errors.size(), 1u);
  EXPECT_EQ(components(), (std::vector<int>{0, 0, 0}));

  for (const char* name : {"drop.wmf", "drop.emf"}) {
    SCOPED_TRACE(name);
    rig.asker.errors.clear();
    ASSERT_TRUE(form.loadPicture(file(name)));
    EXPECT_EQ(form.windowTitle().toStdString(), std::string("Visualiseur d'image - ") + name);
    // Stretched over the frame, the rectangle is red in the middle; the viewer has it at its
    // own size.
    EXPECT_EQ(find<PictureView>("Image1")->picture().pixelColor(227, 174), QColor(255, 0, 0));
    const QImage full = rig.program.viewForm().picture();
    EXPECT_NEAR(full.width(), 200, 1);
    EXPECT_NEAR(full.height(), 100, 1);
    EXPECT_EQ(full.pixelColor(100, 50), QColor(255, 0, 0));

    spin("SpinEditColG")->setValue(40);
    clickPicture(227, 174);
    EXPECT_EQ(rig.asker.errors.size(), 1u);
    EXPECT_EQ(components(), (std::vector<int>{0, 40, 0}));
    EXPECT_EQ(text("EditPosX"), "Position X");
  }
}

TEST_F(ImageFormTest, UnreadablePicturesAreRefusedAndThePreviousOneStays) {
  writeGradient("sample.bmp");
  write("notes.txt", "not a picture");
  write("broken.bmp", QByteArray("BM") + QByteArray(60, '\x7f'));
  QByteArray wmf = redRectangleWmf();
  write("cut.wmf", wmf.left(wmf.size() - 10));
  QByteArray emf = redRectangleEmf();
  emf[95] = '\x7f';  // the first record claims far more bytes than the file holds
  write("lying.emf", emf);
  write("garbage.emf", QByteArray(400, '\x01'));
  form.openOnRow(1);
  ASSERT_TRUE(form.loadPicture(file("sample.bmp")));
  const QString caption = form.windowTitle();

  EXPECT_FALSE(form.loadPicture(file("notes.txt")));  // another extension: silently nothing
  EXPECT_TRUE(rig.asker.errors.empty());
  for (const char* name : {"broken.bmp", "cut.wmf", "lying.emf", "garbage.emf"}) {
    SCOPED_TRACE(name);
    rig.asker.errors.clear();
    EXPECT_FALSE(form.loadPicture(file(name)));
    ASSERT_EQ(rig.asker.errors.size(), 1u);
    EXPECT_NE(rig.asker.errors[0].find(name), std::string::npos);
    EXPECT_EQ(form.windowTitle(), caption);
  }
  clickPicture(227, 174);  // the bitmap is still there to pick from
  EXPECT_EQ(components(), (std::vector<int>{100, 100, 7}));

  EXPECT_TRUE(wmfRecordsHold(wmf));
  EXPECT_TRUE(emfRecordsHold(redRectangleEmf()));
  EXPECT_FALSE(wmfRecordsHold(wmf.left(30)));
  EXPECT_FALSE(emfRecordsHold(emf));
}

// Damaged copies of the two metafiles: each is read or refused, never the end of the program.
TEST(MetafilePicture, DamagedMetafilesAreReadOrRefusedWithoutHarm) {
  constexpr int rounds = 500;
  std::mt19937 random(20011001);
  for (const auto& [original, format] :
       {std::pair{redRectangleWmf(), MetafileFormat::Wmf}, std::pair{redRectangleEmf(), MetafileFormat::Emf}}) {
    int read = 0;
    for (int round = 0; round < rounds; ++round) {
      QByteArray damaged = original;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i)
        damaged[static_cast<qsizetype>(random() % damaged.size())] = static_cast<char>(random() % 256);
      if (random() % 4 == 0) damaged.truncate(static_cast<qsizetype>(random() % damaged.size()));
      if (const auto svg = metafileSvg(damaged, format)) {
        QSvgRenderer drawing(*svg);
        if (drawing.isValid()) ++read;
      }
    }
    EXPECT_GT(read, 0);
  }
}

// The metafile's text is named in a font family; no font file is needed to read it.
TEST(MetafilePicture, TextNeedsNoFontFile) {
  const auto svg = metafileSvg(textWmf(), MetafileFormat::Wmf);
  ASSERT_TRUE(svg);
  EXPECT_TRUE(svg->contains(">Devis</text>"));
  EXPECT_TRUE(QSvgRenderer(*svg).isValid());
}

TEST_F(ImageFormTest, PanelTextTurnsBlackFrom380AndTheBarsFollowTheFields) {
  form.openOnRow(1);
  spin("SpinEditColR")->setValue(200);
  spin("SpinEditColG")->setValue(100);
  spin("SpinEditColB")->setValue(80);
  EXPECT_EQ(panelText(), QColor(Qt::black));
  EXPECT_EQ(find("PanelRGB")->palette().color(QPalette::Window), QColor(200, 100, 80));
  EXPECT_EQ(find("Panel_G")->palette().color(QPalette::Window), QColor(0, 100, 0));
  spin("SpinEditColB")->setValue(79);
  EXPECT_EQ(panelText(), QColor(Qt::white));

  // Green 100 of 255 over 63 columns: columns 0..25 blue.
  const QImage bar = find<PictureView>("ImageGBar")->picture();
  EXPECT_EQ(bar.pixelColor(25, 3), QColor(0, 0, 255));
  EXPECT_NE(bar.pixelColor(26, 3), QColor(0, 0, 255));
}

TEST_F(ImageFormTest, DraggingABarSetsItsValueAndTheCursorMarksTheGrip) {
  form.openOnRow(1);
  auto* bar = find<PictureView>("ImageGBar");
  spin("SpinEditColG")->setValue(100);
  hover(bar, QPoint(25, 3));  // Round(25 x 255 / 63) = 101: within 9
  EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor);
  hover(bar, QPoint(50, 3));  // no button: only the cursor
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(spin("SpinEditColG")->value(), 100);

  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(25, 3));
  QTest::mouseMove(bar, QPoint(32, 3));  // Round(32 x 255 / 63) = 130
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(32, 3));
  EXPECT_EQ(spin("SpinEditColG")->value(), 130);
  EXPECT_EQ(spin("SpinEditColR")->value(), 0);

  auto* proportionBar = find<PictureView>("ImagePropBar");
  QTest::mousePress(proportionBar, Qt::LeftButton, {}, QPoint(0, 3));
  QTest::mouseMove(proportionBar, QPoint(21, 3));  // Round(21 x 100 / 63) = 33
  QTest::mouseRelease(proportionBar, Qt::LeftButton, {}, QPoint(21, 3));
  EXPECT_EQ(spin("SpinEditProp")->value(), 33);
}

TEST_F(ImageFormTest, OkStoresTheRowUnlessAnotherRowHasItsProportion) {
  form.openOnRow(1);  // the " +" row of the empty table
  spin("SpinEditColR")->setValue(255);
  press("OK");
  ASSERT_EQ(rig.session.colours().rows().size(), 1u);
  EXPECT_EQ(rig.session.colours().rows()[0], (ColourRow{0, 255, 0, 0}));
  EXPECT_FALSE(form.isVisible());

  form.openOnRow(2);  // the " +" row again, with proportion 0 again
  spin("SpinEditColB")->setValue(9);
  press("OK");
  EXPECT_EQ(rig.asker.warnings, (std::vector<std::string>{"La proportion : 0% existe déjà. Essayer un autre."}));
  EXPECT_EQ(rig.session.colours().rows().size(), 1u);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(ImageFormTest, CancelStoresNothingAndDeleteAllEmptiesTheTable) {
  rig.session.addColourRow({0, 255, 255, 255});
  rig.session.addColourRow({100, 0, 0, 255});
  form.openOnRow(2);
  EXPECT_EQ(spin("SpinEditProp")->value(), 100);
  spin("SpinEditProp")->setValue(50);
  spin("SpinEditColR")->setValue(12);
  press("Cancel");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(rig.session.colours().rows(), (std::vector<ColourRow>{{0, 255, 255, 255}, {100, 0, 0, 255}}));

  form.openOnRow(1);
  rig.asker.confirmations = {true};  // "Oui" to the question
  press("DeleteAll");
  EXPECT_TRUE(rig.session.colours().rows().empty());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(ImageFormTest, ColourDialogFullColourAndFullPictureWindows) {
  writeGradient("sample.bmp");
  form.openOnRow(1);
  QColor offered;
  form.setColourChooser([&offered](QColor current, QWidget*) -> std::optional<QColor> {
    offered = current;
    return QColor(10, 20, 30);
  });
  spin("SpinEditColR")->setValue(7);
  QTest::mouseClick(find<QToolButton>("BrushColor"), Qt::LeftButton);
  EXPECT_EQ(offered, QColor(7, 0, 0));
  EXPECT_EQ(components(), (std::vector<int>{10, 20, 30}));
  form.setColourChooser([](QColor, QWidget*) { return std::optional<QColor>(); });  // "Annuler"
  QTest::mouseClick(find<QToolButton>("BrushColor"), Qt::LeftButton);
  EXPECT_EQ(components(), (std::vector<int>{10, 20, 30}));

  SelectedColourView& colourView = rig.program.selectedColourView();
  QTest::mouseClick(find<ClickablePanel>("PanelRGB"), Qt::LeftButton);
  EXPECT_TRUE(colourView.isVisible());
  EXPECT_EQ(colourView.colour(), rgbOf(10, 20, 30));
  EXPECT_EQ(colourView.windowTitle().toStdString(), "Couleur sélectionnée");

  ASSERT_TRUE(form.loadPicture(file("sample.bmp")));
  ViewForm& full = rig.program.viewForm();
  EXPECT_FALSE(full.isVisible());
  QTest::mouseClick(find<QPushButton>("FViewImage"), Qt::LeftButton);
  EXPECT_TRUE(full.isVisible());
  EXPECT_EQ(full.windowTitle().toStdString(), "Visualiseur d'image - sample.bmp (100 x 50)");
}

}  // namespace
}  // namespace chromaflow
