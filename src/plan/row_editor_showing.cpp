#include "plan/row_editor_showing.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QScreen>

#include <utility>

#include "app/modeless_window.h"

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

std::unique_ptr<QObject> whenLeaving(QWidget& field, std::function<void()> left) {
  auto watch = std::make_unique<LeavingFilter>(std::move(left));
  field.installEventFilter(watch.get());
  return watch;
}

}  // namespace chromaflow
