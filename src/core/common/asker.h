#pragma once
// Everything the program asks of the operator: file names (NameAsker), a value in the entry
// dialog "Encodage valeur", whether to save changes about to be lost, whether to go on with a
// gesture that clears a table, a warning to acknowledge, an error to read. The windows implement
// it with dialogs and message boxes, tests and tools with fakes; the core decides when to ask.

#include <optional>
#include <string>

#include "core/common/document_name.h"

namespace chromaflow {

// The operator's answer to "Enregistrer les modifications de NOM ?".
enum class SaveChoice {
  Save,      // "Enregistrer": saved first, then the gesture goes on
  DontSave,  // "Ne pas enregistrer": the gesture goes on and the changes are lost
  Cancel,    // "Annuler": the gesture is given up, nothing changes
};

class Asker : public NameAsker {
 public:
  // The entry dialog titled `caption`, its field pre-filled with `text`: the text confirmed with
  // "OK", nothing on "Annuler".
  virtual std::optional<std::string> askValue(const std::string& caption, const std::string& text) = 0;
  // A document whose changes are not saved is about to be closed or replaced: "Enregistrer les
  // modifications de `documentName` ?" with "Enregistrer", "Ne pas enregistrer" and "Annuler".
  virtual SaveChoice askSaveChanges(const std::string& documentName) = 0;
  // A question answered "Oui" (true) or "Non" (false), asked before a gesture that cannot be
  // taken back.
  virtual bool confirm(const std::string& question) = 0;
  // A warning box with a single OK button.
  virtual void warn(const std::string& text) = 0;
  // The application's error box: an operation failed (a file could not be read or written).
  virtual void showError(const std::string& text) = 0;
};

}  // namespace chromaflow
