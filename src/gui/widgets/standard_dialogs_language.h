#pragma once
// Qt's own dialogs (file, print, page set-up, colour, the message boxes' buttons) in the language
// the operator picked in "Langue", from the Qt translations installed on the machine. Where Qt has
// no translation for it they stay in English.

#include <QTranslator>

#include <memory>

namespace chromaflow {

class StandardDialogsLanguage {
 public:
  StandardDialogsLanguage();
  ~StandardDialogsLanguage();

  // 1 French, 2 English, 3 Dutch, 4 German, as the main window's languages. True when Qt's
  // dialogs now speak it (English always).
  bool follow(int language);

 private:
  std::unique_ptr<QTranslator> translator_;
};

}  // namespace chromaflow
