#pragma once
// The program's application object: an exception that escapes an event handler (a gesture, a
// timer tick, a repaint) is caught where Qt delivers the event, shown to the operator and
// survived, instead of ending the program with the job's unsaved work.

#include <QApplication>

#include <exception>
#include <functional>
#include <string>

namespace chromaflow {

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);

  // Who is told that an operation failed; by default the error box over the active window.
  using FailureReport = std::function<void(const std::string& text)>;
  void setFailureReport(FailureReport report) { report_ = std::move(report); }

  bool notify(QObject* receiver, QEvent* event) override;
  // Runs `work`, reporting what escapes it: every event goes through here, and so does the
  // project named on the command line, opened outside the event loop.
  template <typename Work>
  void runGuarded(Work&& work) {
    try {
      work();
    } catch (const std::exception& failure) {
      reportFailure(failure.what());
    } catch (...) {
      reportFailure("erreur inconnue");
    }
  }

 private:
  void reportFailure(const std::string& what);

  FailureReport report_;
  bool reporting_ = false;  // a failure while its box is up is only written to standard error
};

// The text shown for an operation that failed on `what`.
std::string failureText(const std::string& what);

}  // namespace chromaflow
