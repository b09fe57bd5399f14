#include "gui/plan/row_editor_showing.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QPushButton>
#include <QScreen>

#include <utility>

#include "core/session/session.h"
#include "gui/widgets/modeless_window.h"

namespace chromaflow {
namespace {

class LeavingFilter : public QObject {
 public:
  explicit LeavingFilter(std::function<void()> left) : left_(std::move(left)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) left_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> left_;
};

}  // namespace

void showRowEditor(QDialog& editor) {
  keepReachable(editor);
  if (!editor.isVisible()) {
    editor.resize(editor.size().expandedTo(editor.minimumSizeHint()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      editor.move(screen->availableGeometry().center() - editor.rect().center());
    editor.show();
  }
  editor.raise();
  editor.activateWindow();
}

void wireEditorButtons(QDialog& editor, const std::function<void(EditorButton)>& press) {
  const std::pair<const char*, EditorButton> buttons[] = {
      {"OKBtn", EditorButton::Ok},
      {"InsertBtn", EditorButton::Insert},
      {"DeleteBtn", EditorButton::Delete},
      {"DeleteAllBtn", EditorButton::DeleteAll},
      {"CancelBtn", EditorButton::Cancel},
  };
  for (const auto& [name, button] : buttons)
    QObject::connect(editor.findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, &editor,
                     [press, button = button] { press(button); });
}

std::unique_ptr<QObject> whenLeaving(QWidget& field, std::function<void()> left) {
  auto watch = std::make_unique<LeavingFilter>(std::move(left));
  field.installEventFilter(watch.get());
  return watch;
}

}  // namespace chromaflow
