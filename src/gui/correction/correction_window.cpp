#include "gui/correction/correction_window.h"

#include <QLabel>
#include <QPushButton>

#include <utility>

#include "core/control/pump_monitor.h"
#include "core/session/session.h"
#include "gui/widgets/clickable_panel.h"
#include "ui_correction_window.h"

namespace chromaflow {

CorrectionWindow::CorrectionWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FcorrectionPct>()) {
  ui_->setupUi(this);

  for (int i = 0; i < kAlarmCount; ++i) {
    QLabel* panel = findChild<QLabel*>(QString::fromLatin1(alarmName(static_cast<Alarm>(i))));
    // A hidden alarm keeps its place, so that the panels around it do not jump as the pumps'
    // alarms come and go.
    QSizePolicy policy = panel->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    panel->setSizePolicy(policy);
    alarmPanels_[i] = panel;
  }

  connect(ui_->Reset, &QPushButton::clicked, this, [this] { session_.resetCorrection(); });
  const std::pair<ClickablePanel*, CorrectionParameter> parameters[] = {
      {ui_->PCorrectMin, CorrectionParameter::PCorrectMin},
      {ui_->PCorrectMax, CorrectionParameter::PCorrectMax},
      {ui_->PCorrectMaxPct, CorrectionParameter::PCorrectMaxPct},
      {ui_->CorrectPStop, CorrectionParameter::CorrectPStop},
  };
  for (const auto& [panel, parameter] : parameters)
    connect(panel, &ClickablePanel::clicked, this,
            [this, parameter] { session_.clickCorrectionParameter(parameter); });

  showFigures();
  // Every operation and every reading-cycle tick that changed something: the figures move while
  // the operator watches them, and also while the window is closed.
  figuresChanged_ = session_.changed.subscribe([this](Change) { showFigures(); });
}

CorrectionWindow::~CorrectionWindow() = default;

void CorrectionWindow::showFigures() {
  const CorrectionFigures& f = session_.correction();
  const auto show = [](QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); };
  show(ui_->StartTrRoul, f.StartTrRoul);
  show(ui_->Startm2Roul, f.Startm2Roul);
  show(ui_->LDistanceStart, f.LDistanceStart);
  show(ui_->StartTrP1, f.StartTrP1);
  show(ui_->StartTrP2, f.StartTrP2);
  show(ui_->StartLitresP1, f.StartLitresP1);
  show(ui_->StartLitresP2, f.StartLitresP2);
  show(ui_->LDistance, f.LDistance);
  show(ui_->TrRoul, f.TrRoul);
  show(ui_->m2Roul, f.m2Roul);
  show(ui_->mRoul, f.mRoul);
  show(ui_->TrP1, f.TrP1);
  show(ui_->TrP2, f.TrP2);
  show(ui_->LitresP1, f.LitresP1);
  show(ui_->LitresP2, f.LitresP2);
  show(ui_->LitresP1Th, f.LitresP1Th);
  show(ui_->LitresP2Th, f.LitresP2Th);
  show(ui_->LitresP1Ec, f.LitresP1Ec);
  show(ui_->LitresP2Ec, f.LitresP2Ec);
  show(ui_->LitresP1P2Ec, f.LitresP1P2Ec);
  show(ui_->Correction, f.Correction);
  show(ui_->PCorrectMin, f.PCorrectMin);
  show(ui_->PCorrectMax, f.PCorrectMax);
  show(ui_->PCorrectMaxPct, f.PCorrectMaxPct);
  show(ui_->CorrectPStop, f.CorrectPStop);
  for (int i = 0; i < kAlarmCount; ++i) alarmPanels_[i]->setVisible(f.alarms[i]);
}

}  // namespace chromaflow
