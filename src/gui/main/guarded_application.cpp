#include "gui/main/guarded_application.h"

#include <QMessageBox>

#include <cstdio>

#include "gui/widgets/shown_text.h"

namespace chromaflow {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

std::string failureText(const std::string& what) {
  return "L'opération a échoué et a été abandonnée : " + what +
         ".\nLe programme continue ; vérifiez le chantier et enregistrez-le.";
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  runGuarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

void GuardedApplication::reportFailure(const std::string& what) {
  const std::string text = failureText(what);
  std::fprintf(stderr, "chromaflow : %s\n", text.c_str());
  if (reporting_) return;
  reporting_ = true;
  struct Reported {
    bool& reporting;
    ~Reported() { reporting = false; }
  } reported{reporting_};
  if (report_)
    report_(text);
  else
    QMessageBox::critical(activeWindow(), QStringLiteral("Erreur"), qtText(text));
}

}  // namespace chromaflow
