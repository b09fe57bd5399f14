#pragma once
// What the two row editors share as windows: how one comes up over the plan window that opens
// it, and the moment the operator leaves one of its fields.

#include <functional>
#include <memory>

class QDialog;
class QObject;
class QWidget;

namespace chromaflow {

enum class EditorButton;

// Brings `editor` to the front, centred on the desktop when it was hidden, above the modal plan
// window that opens it and reachable while the plan window stays open.
void showRowEditor(QDialog& editor);

// Wires the five buttons both editors have ("OK", "Insérer", "Supprimer", "Supprimer tout",
// "Annuler": OKBtn, InsertBtn, DeleteBtn, DeleteAllBtn, CancelBtn) to `press`.
void wireEditorButtons(QDialog& editor, const std::function<void(EditorButton)>& press);

// Calls `left` whenever `field` loses the focus to another control of its window; the window
// itself losing the focus (another window, a message box coming up) is no leaving. The watch
// lasts as long as the object returned: the editor drops it before its fields go, so that the
// focus they lose as they are destroyed is no leaving either.
[[nodiscard]] std::unique_ptr<QObject> whenLeaving(QWidget& field, std::function<void()> left);

}  // namespace chromaflow
