#pragma once
// The whole program on a virtual clock, offscreen: the real windows in their order, the
// simulated card on Lpt1 (no hardware is tried) and a scripted operator answering the dialogs.
// Each case gets a fresh temporary folder.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <string>

#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "gui/widgets/picture_view.h"
#include "history/program_history.h"
#include "support/scripted_asker.h"

namespace chromaflow::testing {

struct ProgramRig {
  // The program keeps its jobs in `history` (none: it keeps none), the operator's choice of its
  // place in `placeFile` and the shared history's password in `passwords` (none: no keychain).
  ProgramHistory* history = nullptr;
  std::string placeFile;
  PasswordKeeper* passwords = nullptr;
  std::string webViewFile;
  VirtualClock clock;
  ScriptedAsker asker;
  Program program{{clock, [this] { return clock.now(); }, PortChoiceOptions{.ppdev = {}, .tryPpdev = false, .tryDirectIo = false},
                   &asker, {}, history, placeFile, passwords, false, webViewFile}};
  Session& session = program.session();
  MainWindow& window = program.mainWindow();
  QTemporaryDir folder;

  explicit ProgramRig(ProgramHistory* keptIn = nullptr, std::string placeFile = {}, PasswordKeeper* passwords = nullptr,
                      std::string webViewFile = {})
      : history(keptIn), placeFile(std::move(placeFile)), passwords(passwords), webViewFile(std::move(webViewFile)) {
    window.resize(1100, 720);
    window.show();
    QApplication::processEvents();
  }

  template <typename Widget = QWidget>
  Widget* find(const char* name) const {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QAction* action(const char* name) const { return find<QAction>(name); }
  PictureView* picture(const char* name) const { return find<PictureView>(name); }
  std::string text(const char* label) const { return find<QLabel>(label)->text().toStdString(); }
  std::string path(const char* name) const { return folder.filePath(QString::fromLatin1(name)).toStdString(); }

  // Runs the program's timers up to `milliseconds` later.
  void run(std::int64_t milliseconds) {
    clock.advanceTo(clock.now() + milliseconds);
    QApplication::processEvents();
  }

  void openExample() {
    asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
    action("MIOpen")->trigger();
  }
};

}  // namespace chromaflow::testing
