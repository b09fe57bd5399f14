#pragma once
// FcorrectionPct, "Correction automatique des proportions": since the last "Remise à zéro", the
// litres each pump delivered against the litres the plan asked, their deviations, the
// correction they earn and the alarm panels of a pump too slow, too fast or stopped. Created
// once at start and kept for the whole run, it follows the session's figures whether shown or
// not; the four parameter panels and the reset are forwarded to the session.

#include <QDialog>

#include <array>
#include <memory>

#include "core/common/signal.h"
#include "core/control/figures.h"

class QLabel;

namespace Ui {
class FcorrectionPct;
}

namespace chromaflow {

class Session;

class CorrectionWindow : public QDialog {
 public:
  explicit CorrectionWindow(Session& session, QWidget* parent = nullptr);
  ~CorrectionWindow() override;

 private:
  void showFigures();

  Session& session_;
  std::unique_ptr<Ui::FcorrectionPct> ui_;
  std::array<QLabel*, kAlarmCount> alarmPanels_{};  // in the order of Alarm
  // Last, so that the window stops listening before its widgets go.
  Subscription figuresChanged_;
};

}  // namespace chromaflow
