#include "gui/settings/settings_window.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>

#include <string>
#include <utility>

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/settings/delay_pictures.h"
#include "gui/settings/settings_charts.h"
#include "gui/widgets/clickable_panel.h"
#include "gui/widgets/icons.h"
#include "gui/widgets/shown_text.h"
#include "ui_settings_window.h"

namespace chromaflow {
namespace {

// Set without telling: a value shown is not a value the operator typed.
void setValue(QSpinBox* spin, int value) {
  if (spin->value() == value) return;
  const QSignalBlocker quiet(spin);
  spin->setValue(value);
}

QPixmap pictureFor(DelayPicture picture, const QWidget& shownOn) {
  return QPixmap::fromImage(drawDelayPicture(picture, shownOn.devicePixelRatioF()));
}

}  // namespace

SettingsWindow::SettingsWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FSettings>()) {
  ui_->setupUi(this);
  // The menu bar across the top of the window, above the tool bar.
  layout()->setMenuBar(ui_->MainMenu1);
  rollerChart_ = std::make_unique<RollerRotationChart>(*ui_->ChartRotRouleau);
  analogChart_ = std::make_unique<AnalogOutputChart>(*ui_->ChartSortieAnalog);

  wireMenu();
  wireFields();
  wireDelayPictures();

  showSettings();
  showUnitChoice();
  showTitle();
  changed_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::Settings)) showSettings();
    if (change.has(Changed::Editors)) showUnitChoice();
    if (change.has(Changed::DocumentNames)) showTitle();
  });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::wireMenu() {
  const std::pair<QAction*, ToolIcon> icons[] = {
      {ui_->MINew, ToolIcon::New}, {ui_->MIOpen, ToolIcon::Open}, {ui_->MISave, ToolIcon::Save}};
  for (const auto& [item, icon] : icons) item->setIcon(toolIcon(icon));
  connect(ui_->MINew, &QAction::triggered, this, [this] { session_.newSettings(); });
  connect(ui_->MIOpen, &QAction::triggered, this, [this] { session_.openSettings(true); });
  connect(ui_->MISave, &QAction::triggered, this, [this] { session_.saveSettings(false); });
  connect(ui_->MISaveAs, &QAction::triggered, this, [this] { session_.saveSettings(true); });
  connect(ui_->MIQuit, &QAction::triggered, this, &QWidget::close);
  connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void SettingsWindow::wireFields() {
  const std::pair<ClickablePanel*, SettingsPanel> panels[] = {
      {ui_->EditRetard, SettingsPanel::EditRetard},
      {ui_->EditFiltre, SettingsPanel::EditFiltre},
      {ui_->EditLitreM2, SettingsPanel::EditLitreM2},
      {ui_->EditM2Litre, SettingsPanel::EditM2Litre},
      {ui_->EditMicron, SettingsPanel::EditMicron},
      {ui_->EditMaxDebit, SettingsPanel::EditMaxDebit},
      {ui_->Zero, SettingsPanel::Zero},
      {ui_->Gain, SettingsPanel::Gain},
      {ui_->MinCapteur, SettingsPanel::MinCapteur},
      {ui_->MaxCapteur, SettingsPanel::MaxCapteur},
      {ui_->PConsigne, SettingsPanel::PConsigne},
      {ui_->PGain, SettingsPanel::PGain},
      {ui_->PFreqMax, SettingsPanel::PFreqMax},
  };
  for (const auto& [panel, which] : panels)
    connect(panel, &ClickablePanel::clicked, this, [this, which] { session_.clickSettingsPanel(which); });

  const std::pair<QSpinBox*, SettingsSpin> spins[] = {
      {ui_->SpinEditP1trl, SettingsSpin::SpinEditP1trl},
      {ui_->SpinEditP2trl, SettingsSpin::SpinEditP2trl},
      {ui_->SpinEditRoul, SettingsSpin::SpinEditRoul},
      {ui_->SpinEditPulseM2, SettingsSpin::SpinEditPulseM2},
  };
  for (const auto& [spin, which] : spins)
    connect(spin, &QSpinBox::valueChanged, this,
            [this, which](int value) { session_.enterSettingsSpin(which, std::to_string(value)); });
  connect(ui_->Preset, &QPushButton::clicked, this, [this] { session_.presetPulseM2(); });

  const std::pair<QRadioButton*, ThicknessUnit> units[] = {
      {ui_->RBLitreM2, ThicknessUnit::LitresPerM2},
      {ui_->RBM2Litre, ThicknessUnit::M2PerLitre},
      {ui_->RBMicron, ThicknessUnit::Micron},
  };
  for (const auto& [button, unit] : units)
    connect(button, &QRadioButton::clicked, this, [this, unit] { session_.chooseThicknessUnit(unit); });
}

void SettingsWindow::wireDelayPictures() {
  ui_->ImageRetardFiltre->setPixmap(pictureFor(DelayPicture::Base, *this));
  ui_->ImageRetard->setPixmap(pictureFor(DelayPicture::Delay, *this));
  ui_->ImageFiltre->setPixmap(pictureFor(DelayPicture::Filter, *this));
  showDelayOverlay(DelayPicture::Base);
  // Every widget of the tab follows the pointer and passes its moves on to the tab, which looks
  // at what lies under the pointer: a panel, or the background (labels and picture included).
  QWidget* page = ui_->TabRetardFiltre;
  page->setMouseTracking(true);
  for (QWidget* child : page->findChildren<QWidget*>()) child->setMouseTracking(true);
  page->installEventFilter(this);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->TabRetardFiltre && event->type() == QEvent::MouseMove) {
    const QWidget* under = ui_->TabRetardFiltre->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    showDelayOverlay(under == ui_->EditRetard   ? DelayPicture::Delay
                     : under == ui_->EditFiltre ? DelayPicture::Filter
                                                : DelayPicture::Base);
  }
  return QDialog::eventFilter(watched, event);
}

void SettingsWindow::showDelayOverlay(DelayPicture picture) {
  ui_->ImageRetard->setVisible(picture == DelayPicture::Delay);
  ui_->ImageFiltre->setVisible(picture == DelayPicture::Filter);
}

void SettingsWindow::showSettings() {
  const SettingsDocument& document = session_.settings();
  const MachineSettings& s = document.settings();
  setValue(ui_->SpinEditP1trl, s.P1trl);
  setValue(ui_->SpinEditP2trl, s.P2trl);
  setValue(ui_->SpinEditRoul, s.Roul);
  setValue(ui_->SpinEditPulseM2, s.PulseM2);
  showText(ui_->EditRetard, s.Retard);
  showText(ui_->EditFiltre, s.Filtre);
  showText(ui_->EditLitreM2, s.LitreM2);
  showText(ui_->EditM2Litre, document.M2Litre());
  showText(ui_->EditMicron, document.Micron());
  showText(ui_->Debit, document.debitView());
  showText(ui_->EditMaxDebit, s.MaxDebit);
  showText(ui_->Gain, s.Gain);
  showText(ui_->Zero, s.Zero);
  showText(ui_->MinCapteur, s.MinCapteur);
  showText(ui_->MaxCapteur, s.MaxCapteur);
  showText(ui_->PConsigne, s.PConsigne);
  showText(ui_->PGain, s.PGain);
  showText(ui_->PFreqMax, s.PFreqMax);
  rollerChart_->show(document.charts());
  analogChart_->show(document.charts());
}

void SettingsWindow::showUnitChoice() {
  const ThicknessUnitChoice& choice = session_.thicknessUnit();
  const std::pair<QRadioButton*, ThicknessUnit> buttons[] = {
      {ui_->RBLitreM2, ThicknessUnit::LitresPerM2},
      {ui_->RBM2Litre, ThicknessUnit::M2PerLitre},
      {ui_->RBMicron, ThicknessUnit::Micron},
  };
  for (const auto& [button, unit] : buttons)
    if (choice.checked() == unit && !button->isChecked()) button->setChecked(true);

  const std::pair<QLabel*, ThicknessUnit> panels[] = {
      {ui_->EditLitreM2, ThicknessUnit::LitresPerM2},
      {ui_->EditM2Litre, ThicknessUnit::M2PerLitre},
      {ui_->EditMicron, ThicknessUnit::Micron},
  };
  const QColor grey = qColourOf(kGreyText);
  for (const auto& [panel, unit] : panels) {
    const UnitPanelState state = choice.panel(unit);
    panel->setEnabled(state.enabled);
    // Grey whether the panel can still be clicked or not; otherwise the window's own text colour.
    QPalette palette = this->palette();
    if (state.greyText)
      for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, grey);
    panel->setPalette(palette);
  }
}

void SettingsWindow::showTitle() { setWindowTitle(qtText(session_.settings().name().title())); }

void SettingsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Each opening activates the window: the views computed again from the settings. The dialogs it
  // opens itself (a value, a file name) belong to the gesture that asked them and need no more.
  if (!event->spontaneous()) session_.settingsWindowActivated();
}

void SettingsWindow::done(int result) {
  QDialog::done(result);
  session_.settingsWindowClosed();
}

}  // namespace chromaflow
