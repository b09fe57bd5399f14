#include "gui/plan/image_form.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/plan/selected_colour_view.h"
#include "gui/plan/view_form.h"
#include "gui/widgets/clickable_panel.h"
#include "gui/widgets/modeless_window.h"
#include "gui/widgets/picture_view.h"
#include "ui_image_form.h"

namespace chromaflow {
namespace {

const QString kPictureMask = QStringLiteral("*.bmp;*.ico;*.wmf;*.emf");

// FilterComboBox1: what the operator reads, and the mask it gives the file list.
const std::pair<const char*, const char*> kFilters[] = {
    {"Fichiers images (*.bmp, *.ico, *.wmf, *.emf)", "*.bmp;*.ico;*.wmf;*.emf"},
    {"Fichiers Bitmap (*.bmp)", "*.bmp"},
    {"Icones (*.ico)", "*.ico"},
    {"Metafiles (*.wmf, *.emf)", "*.wmf;*.emf"},
    {"Tous les fichiers (*.*)", "*.*"},
};

void paintPanel(QWidget* panel, Rgb background, Rgb text) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, qColourOf(background));
  palette.setColor(QPalette::WindowText, qColourOf(text));
  panel->setPalette(palette);
}

// The frames of the three components: only the frame takes the colour, not the spin edit in it.
void paintFrame(QWidget* frame, QWidget* title, Rgb background, Rgb text) {
  frame->setStyleSheet(
      QStringLiteral("QFrame#%1 { background-color: %2; }").arg(frame->objectName(), qColourOf(background).name()));
  title->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(qColourOf(text).name()));
}

// A picker bar: blue from column 0 to its last blue column, the button face after it.
QImage pickerBar(QSize size, int lastBlue) {
  QImage bar(size, QImage::Format_RGB32);
  bar.fill(qColourOf(kButtonFace));
  QPainter painter(&bar);
  painter.fillRect(QRect(0, 0, std::min(lastBlue + 1, size.width()), size.height()), QColor(0, 0, 255));
  return bar;
}

// "Couleur personalisée": three paint drops of the primary colours, overlapping.
QIcon brushIcon() {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(60, 60, 60), 1));
  const std::pair<QPointF, QColor> drops[] = {{{8.5, 9}, QColor(230, 30, 30, 220)},
                                              {{15.5, 9}, QColor(30, 180, 30, 220)},
                                              {{12, 15}, QColor(30, 60, 230, 220)}};
  for (const auto& [centre, colour] : drops) {
    painter.setBrush(colour);
    painter.drawEllipse(centre, 6.5, 6.5);
  }
  return QIcon(pixmap);
}

Component componentOfBar(const Ui::FImageForm& ui, const QObject* bar) {
  if (bar == ui.ImageGBar) return Component::Green;
  if (bar == ui.ImageBBar) return Component::Blue;
  return Component::Red;
}

}  // namespace

ImageForm::ImageForm(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FImageForm>()) {
  ui_->setupUi(this);
  // The system menu with its close box and the minimise box; no maximise box.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  chooseColour_ = [](QColor current, QWidget* parent) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(current, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };

  setUpFileBrowser();

  ui_->BrushColor->setIcon(brushIcon());
  for (PictureView* bar : {ui_->ImageRBar, ui_->ImageGBar, ui_->ImageBBar, ui_->ImagePropBar})
    bar->installEventFilter(this);

  const std::pair<QSpinBox*, Component> spins[] = {
      {ui_->SpinEditColR, Component::Red}, {ui_->SpinEditColG, Component::Green}, {ui_->SpinEditColB, Component::Blue}};
  for (const auto& [spin, component] : spins)
    connect(spin, &QSpinBox::valueChanged, this,
            [this, component](int value) { session_.setPickerComponent(component, value); });
  connect(ui_->SpinEditProp, &QSpinBox::valueChanged, this, [this](int value) { session_.setPickerProportion(value); });

  connect(ui_->Image1, &PictureView::pressed, this, [this](QPoint at, Qt::MouseButton) { pickAt(at); });
  connect(ui_->StretchCheck, &QCheckBox::toggled, this, [this](bool on) { session_.setPickerStretch(on); });
  connect(ui_->FViewImage, &QPushButton::clicked, this, [this] {
    if (fullPicture_) fullPicture_->showFullSize(windowTitle());
  });
  connect(ui_->PanelRGB, &ClickablePanel::clicked, this, [this] {
    if (selectedColour_) selectedColour_->showColour(session_.colourPicker().colour());
  });
  connect(ui_->BrushColor, &QToolButton::clicked, this, &ImageForm::chooseBrushColour);
  connect(ui_->OK, &QPushButton::clicked, this, [this] { press(EditorButton::Ok); });
  connect(ui_->Delete, &QPushButton::clicked, this, [this] { press(EditorButton::Delete); });
  connect(ui_->DeleteAll, &QPushButton::clicked, this, [this] { press(EditorButton::DeleteAll); });
  connect(ui_->Cancel, &QPushButton::clicked, this, [this] { press(EditorButton::Cancel); });

  paintFrames();
  ui_->StretchCheck->setChecked(session_.colourPicker().stretch());
  showPictureInFrame();
  showPicker();
  ui_->FileEdit->setFocus();

  changes_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::Editors)) showPicker();
  });
}

ImageForm::~ImageForm() = default;

void ImageForm::attach(ViewForm& fullPicture, SelectedColourView& selectedColour) {
  fullPicture_ = &fullPicture;
  selectedColour_ = &selectedColour;
}

void ImageForm::openOnRow(int row) {
  session_.openColourPicker(row);
  keepReachable(*this);
  showMaximized();
  raise();
  activateWindow();
  activated();
}

// --- Drives, folders and files.

void ImageForm::setUpFileBrowser() {
  folders_ = new QFileSystemModel(this);
  folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  folders_->setRootPath(QString());
  ui_->DirectoryListBox1->setModel(folders_);
  for (int column = 1; column < folders_->columnCount(); ++column) ui_->DirectoryListBox1->hideColumn(column);

  files_ = new QFileSystemModel(this);
  files_->setFilter(QDir::Files);
  files_->setNameFilterDisables(false);  // files outside the mask are not listed
  ui_->FileListBox1->setModel(files_);

  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady()) ui_->DriveComboBox1->addItem(volume.rootPath(), volume.rootPath());
  const QString currentDrive = QStorageInfo(QDir::currentPath()).rootPath();
  ui_->DriveComboBox1->setCurrentIndex(std::max(0, ui_->DriveComboBox1->findData(currentDrive)));

  for (const auto& [text, mask] : kFilters)
    ui_->FilterComboBox1->addItem(QString::fromUtf8(text), QString::fromLatin1(mask));

  applyMask(kPictureMask);
  showFolder(QDir::currentPath());

  // The folder model reads and sorts the folders in the background: the chosen folder is brought
  // into view again as the folders on its way arrive, until the operator takes the tree in hand.
  const auto reveal = [this] {
    if (!folderToReveal_.isEmpty())
      ui_->DirectoryListBox1->scrollTo(folders_->index(folderToReveal_), QAbstractItemView::PositionAtCenter);
  };
  connect(folders_, &QFileSystemModel::directoryLoaded, this, reveal);
  connect(folders_, &QFileSystemModel::layoutChanged, this, reveal);
  connect(ui_->DirectoryListBox1, &QTreeView::pressed, this, [this] { folderToReveal_.clear(); });
  connect(ui_->DirectoryListBox1->verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this] { folderToReveal_.clear(); });
  connect(ui_->DriveComboBox1, &QComboBox::activated, this, &ImageForm::chooseDrive);
  connect(ui_->DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) showFolder(folders_->filePath(current));
          });
  // A click, or Enter on the file under the cursor; not a selection the list moves by itself
  // when a file disappears from the folder.
  connect(ui_->FileListBox1, &QListView::clicked, this, &ImageForm::fileChosen);
  connect(ui_->FileListBox1, &QListView::activated, this, &ImageForm::fileChosen);
  connect(ui_->FilterComboBox1, &QComboBox::activated, this, [this](int index) {
    const QString mask = ui_->FilterComboBox1->itemData(index).toString();
    ui_->FileEdit->setText(mask);
    applyMask(mask);
  });
  ui_->FileEdit->installEventFilter(this);
}

void ImageForm::applyMask(const QString& mask) {
  QStringList patterns;
  for (const QString& pattern : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    if (!pattern.trimmed().isEmpty()) patterns << pattern.trimmed();
  // "*.*" is every file, also those without an extension.
  if (patterns.contains(QStringLiteral("*.*"))) patterns = {QStringLiteral("*")};
  files_->setNameFilters(patterns);
}

void ImageForm::chooseDrive(int index) {
  const QString root = ui_->DriveComboBox1->itemData(index).toString();
  if (!root.isEmpty()) showFolder(root);
}

void ImageForm::showFolder(const QString& folder) {
  const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  ui_->FileListBox1->setRootIndex(files_->setRootPath(path));
  const QModelIndex inTree = folders_->index(path);
  if (inTree.isValid() && ui_->DirectoryListBox1->currentIndex() != inTree) {
    const QSignalBlocker quiet(ui_->DirectoryListBox1->selectionModel());
    ui_->DirectoryListBox1->setCurrentIndex(inTree);
    ui_->DirectoryListBox1->expand(inTree);
    ui_->DirectoryListBox1->scrollTo(inTree, QAbstractItemView::PositionAtCenter);
    folderToReveal_ = path;
  }
  const int drive = ui_->DriveComboBox1->findData(QStorageInfo(path).rootPath());
  if (drive >= 0) ui_->DriveComboBox1->setCurrentIndex(drive);
}

void ImageForm::fileChosen(const QModelIndex& index) {
  if (index.isValid() && !files_->isDir(index)) loadPicture(files_->filePath(index));
}

// --- The picture.

bool ImageForm::loadPicture(const QString& path) {
  const PictureKind kind = pictureKindOf(path.toStdString());
  if (kind == PictureKind::None) return false;
  auto read = SamplePicture::read(path, kind);
  if (const QString* error = std::get_if<QString>(&read)) {
    if (Asker* asker = session_.asker()) asker->showError(error->toStdString());
    return false;
  }
  picture_ = std::get<SamplePicture>(std::move(read));
  session_.pictureLoaded(path.toStdString(), kind, picture_.size().width(), picture_.size().height());
  showPictureInFrame();
  if (kind == PictureKind::Icon) setWindowIcon(picture_.icon());
  if (fullPicture_) {
    fullPicture_->showPicture(picture_.fullSize(palette().color(QPalette::Window)));
    if (kind == PictureKind::Bitmap) fullPicture_->setWindowTitle(windowTitle());
  }
  return true;
}

void ImageForm::showPictureInFrame() {
  frameStretched_ = session_.colourPicker().stretch();
  ui_->Image1->setPicture(picture_.inFrame(ui_->Image1->size(), frameStretched_, palette().color(QPalette::Window)));
}

void ImageForm::pickAt(QPoint at) {
  session_.pickColour(at.x(), at.y(), [this](int x, int y) { return picture_.pixel(x, y); });
}

// --- The colour.

bool ImageForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) activated();
  return QDialog::event(event);
}

void ImageForm::paintFrames() {
  paintFrame(ui_->PanelR, ui_->LabelRouge, rgbOf(255, 0, 0), kWhite);
  paintFrame(ui_->PanelG, ui_->LabelVert, rgbOf(0, 255, 0), 0);
  paintFrame(ui_->PanelB, ui_->LabelBleu, rgbOf(0, 0, 255), kWhite);
}

void ImageForm::activated() {
  paintFrames();
  session_.colourPickerActivated();
}

void ImageForm::showPicker() {
  const ColourPicker& picker = session_.colourPicker();
  const PickerView view = picker.view(ui_->ImageRBar->width());
  const std::pair<QSpinBox*, int> spins[] = {{ui_->SpinEditColR, picker.red()},
                                             {ui_->SpinEditColG, picker.green()},
                                             {ui_->SpinEditColB, picker.blue()},
                                             {ui_->SpinEditProp, picker.proportion()}};
  for (const auto& [spin, value] : spins) {
    if (spin->value() == value) continue;
    const QSignalBlocker quiet(spin);
    spin->setValue(value);
  }
  paintPanel(ui_->PanelRGB, view.panelRGB, view.panelRGBText);
  paintPanel(ui_->Panel_R, view.panelR, kWhite);
  paintPanel(ui_->Panel_G, view.panelG, kWhite);
  paintPanel(ui_->Panel_B, view.panelB, kWhite);
  ui_->ImageRBar->setPicture(pickerBar(ui_->ImageRBar->size(), view.redBarLastBlue));
  ui_->ImageGBar->setPicture(pickerBar(ui_->ImageGBar->size(), view.greenBarLastBlue));
  ui_->ImageBBar->setPicture(pickerBar(ui_->ImageBBar->size(), view.blueBarLastBlue));
  ui_->ImagePropBar->setPicture(pickerBar(ui_->ImagePropBar->size(), view.proportionBarLastBlue));
  ui_->EditPosX->setText(QString::fromStdString(picker.positionX()));
  ui_->EditPosY->setText(QString::fromStdString(picker.positionY()));
  setWindowTitle(QString::fromStdString(picker.caption()));
  if (ui_->StretchCheck->isChecked() != picker.stretch()) {
    const QSignalBlocker quiet(ui_->StretchCheck);
    ui_->StretchCheck->setChecked(picker.stretch());
  }
  if (frameStretched_ != picker.stretch()) showPictureInFrame();
}

void ImageForm::chooseBrushColour() {
  const ColourPicker& picker = session_.colourPicker();
  const auto chosen = chooseColour_(QColor(picker.red(), picker.green(), picker.blue()), this);
  if (chosen) session_.setPickerColour(rgbOf(chosen->red(), chosen->green(), chosen->blue()));
}

void ImageForm::pointBar(PictureView* bar, int x, bool leftButtonDown) {
  const BarPointer pointer =
      bar == ui_->ImagePropBar
          ? session_.pointPickerProportionBar(x, bar->width(), leftButtonDown)
          : session_.pointPickerComponentBar(componentOfBar(*ui_, bar), x, bar->width(), leftButtonDown);
  bar->setCursor(pointer.splitCursor ? Qt::SplitHCursor : Qt::ArrowCursor);
}

bool ImageForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->FileEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      applyMask(ui_->FileEdit->text());
      return true;  // the mask is applied; "OK" is not pressed
    }
  }
  if (event->type() == QEvent::MouseMove) {
    for (PictureView* bar : {ui_->ImageRBar, ui_->ImageGBar, ui_->ImageBBar, ui_->ImagePropBar})
      if (watched == bar) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pointBar(bar, qRound(mouse->position().x()), mouse->buttons().testFlag(Qt::LeftButton));
      }
  }
  return QDialog::eventFilter(watched, event);
}

// --- The buttons.

void ImageForm::press(EditorButton button) {
  const EditorOutcome outcome = session_.colourPickerButton(button);
  if (outcome.closes) hide();
}

}  // namespace chromaflow
