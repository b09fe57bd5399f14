#include "gui/widgets/standard_dialogs_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace chromaflow {

StandardDialogsLanguage::StandardDialogsLanguage() = default;

StandardDialogsLanguage::~StandardDialogsLanguage() {
  if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

bool StandardDialogsLanguage::follow(int language) {
  if (translator_) QCoreApplication::removeTranslator(translator_.get());
  translator_.reset();
  const QLocale::Language spoken = language == 1   ? QLocale::French
                                   : language == 3 ? QLocale::Dutch
                                   : language == 4 ? QLocale::German
                                                   : QLocale::English;
  if (spoken == QLocale::English) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(spoken), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  return true;
}

}  // namespace chromaflow
