#include "gui/plan/proportion_editor_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include <vector>

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/plan/row_editor_showing.h"
#include "gui/widgets/picture_view.h"
#include "ui_proportion_editor_window.h"

namespace chromaflow {
namespace {

constexpr Rgb kProportionBlue = rgbOf(0, 0, 255);

}  // namespace

ProportionEditorWindow::ProportionEditorWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FPropDist>()) {
  ui_->setupUi(this);

  connect(ui_->Distance, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_.setEditorDistance(text.toStdString()); });
  connect(ui_->SpinEditProp, &QSpinBox::valueChanged, this,
          [this](int proportion) { session_.setEditorProportion(proportion); });
  leaving_.push_back(
      whenLeaving(*ui_->SpinEditProp, [this] { session_.setEditorProportion(ui_->SpinEditProp->value()); }));

  connect(ui_->ImagePropBar, &PictureView::pressed, this, [this](QPoint at, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    draggingBar_ = true;
    pointBar(at.x(), true);
  });
  connect(ui_->ImagePropBar, &PictureView::moved, this, [this](QPoint at) { pointBar(at.x(), draggingBar_); });
  connect(ui_->ImagePropBar, &PictureView::released, this, [this](QPoint, Qt::MouseButton button) {
    if (button == Qt::LeftButton) draggingBar_ = false;
  });
  connect(ui_->ImagePropBar, &PictureView::resized, this, [this] { drawProportionBar(); });
  connect(ui_->ImageColBar, &PictureView::resized, this, [this] { drawColourBar(); });

  wireEditorButtons(*this, [this](EditorButton button) { press(button); });

  showFields();
  drawColourBar();
  editorChanged_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::Editors)) showFields();
    if (change.has(Changed::ColourRows)) drawColourBar();
  });
}

ProportionEditorWindow::~ProportionEditorWindow() = default;

void ProportionEditorWindow::openOnRow(int row) {
  session_.openProportionEditor(row);
  draggingBar_ = false;
  showRowEditor(*this);
  drawColourBar();
  ui_->Distance->setFocus();
  ui_->Distance->selectAll();
}

void ProportionEditorWindow::reject() { press(EditorButton::Cancel); }

void ProportionEditorWindow::press(EditorButton button) {
  if (session_.proportionEditorButton(button).closes) hide();
}

void ProportionEditorWindow::pointBar(int x, bool leftButtonDown) {
  const BarPointer pointer =
      session_.pointEditorProportionBar(x, ui_->ImagePropBar->width(), leftButtonDown);
  ui_->ImagePropBar->setCursor(pointer.splitCursor ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void ProportionEditorWindow::showFields() {
  const ProportionEditor& editor = session_.proportionEditor();
  const QString distance = QString::fromStdString(editor.distance());
  if (ui_->Distance->text() != distance) ui_->Distance->setText(distance);
  {
    // The session already holds the proportion: no second refresh.
    const QSignalBlocker quiet(ui_->SpinEditProp);
    ui_->SpinEditProp->setValue(editor.proportion());
  }
  QPalette palette = ui_->Couleur->palette();
  palette.setColor(QPalette::Window, qColourOf(editor.couleur().colour));
  palette.setColor(QPalette::WindowText, Qt::black);
  ui_->Couleur->setPalette(palette);
  ui_->Couleur->setText(QString::fromStdString(editor.couleur().text));
  drawProportionBar();
}

void ProportionEditorWindow::drawProportionBar() {
  QImage picture = ui_->ImagePropBar->blankPicture();
  drawBar(picture, {session_.proportionEditor().proportionBarBlueColumns(picture.width()), kProportionBlue});
  ui_->ImagePropBar->setPicture(picture);
}

void ProportionEditorWindow::drawColourBar() {
  QImage picture = ui_->ImageColBar->blankPicture();
  drawColumns(picture, session_.proportionEditor().colourBar(picture.width()));
  ui_->ImageColBar->setPicture(picture);
}

}  // namespace chromaflow
