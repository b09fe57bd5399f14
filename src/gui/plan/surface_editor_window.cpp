#include "gui/plan/surface_editor_window.h"

#include <QLabel>
#include <QLineEdit>

#include <string>

#include "core/session/session.h"
#include "gui/plan/row_editor_showing.h"
#include "ui_surface_editor_window.h"

namespace chromaflow {
namespace {

void showText(QLineEdit* field, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (field->text() != shown) field->setText(shown);
}

}  // namespace

SurfaceEditorWindow::SurfaceEditorWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FSurface>()) {
  ui_->setupUi(this);

  connect(ui_->Hauteur, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_.setHauteur(text.toStdString()); });
  connect(ui_->Longueur, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_.setLongueur(text.toStdString()); });
  leaving_.push_back(whenLeaving(*ui_->Hauteur, [this] { session_.leaveHauteur(); }));
  leaving_.push_back(whenLeaving(*ui_->Longueur, [this] { session_.leaveLongueur(); }));

  wireEditorButtons(*this, [this](EditorButton button) { press(button); });

  showFields();
  editorChanged_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::Editors)) showFields();
  });
}

SurfaceEditorWindow::~SurfaceEditorWindow() = default;

void SurfaceEditorWindow::openOnRow(int row) {
  session_.openSurfaceEditor(row);
  showRowEditor(*this);
  ui_->Hauteur->setFocus();
  ui_->Hauteur->selectAll();
}

void SurfaceEditorWindow::reject() { press(EditorButton::Cancel); }

void SurfaceEditorWindow::press(EditorButton button) {
  if (session_.surfaceEditorButton(button).closes) hide();
}

void SurfaceEditorWindow::showFields() {
  const SurfaceEditor& editor = session_.surfaceEditor();
  showText(ui_->Hauteur, editor.hauteur());
  showText(ui_->Longueur, editor.longueur());
  ui_->Surface->setText(QString::fromStdString(editor.surface()));
  // "Suppression" is no area: the panel shows it greyed.
  ui_->Surface->setEnabled(editor.surface() != "Suppression");
}

}  // namespace chromaflow
