#include "gui/card_test/card_test_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cstdio>

#include "core/session/session.h"
#include "gui/widgets/screen_fit.h"
#include "gui/widgets/shown_text.h"
#include "ui_card_test_window.h"

namespace chromaflow {
namespace {

template <typename Widget>
Widget* control(QWidget& form, const char* prefix, int n) {
  return form.findChild<Widget*>(QString::fromLatin1(prefix) + QString::number(n));
}

QString chipAddress(std::uint8_t address) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", address);
  return QString::fromLatin1(hex);
}

}  // namespace

CardTestWindow::CardTestWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FTestInterface>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
  findControls();
  makeChipAnswers();
  wireControls();

  showControls();
  showLink();
  // Every change of the card image, from a gesture here or from a reading-cycle tick: the
  // controls follow the card also while the window is closed.
  changed_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::CardImage)) showControls();
    if (change.has(Changed::Port)) showLink();
  });
}

CardTestWindow::~CardTestWindow() = default;

void CardTestWindow::findControls() {
  for (int n = 1; n <= kDigitalChannels; ++n) {
    states_[n] = control<QCheckBox>(*this, "CB", n);
    inputs_[n] = control<QRadioButton>(*this, "I", n);
    outputs_[n] = control<QRadioButton>(*this, "O", n);
  }
  for (int n = 1; n <= kDacChannels; ++n) {
    dacBars_[n] = control<QScrollBar>(*this, "ScrollBarDAC", n);
    dacValues_[n] = control<QLabel>(*this, "ValDAC", n);
  }
  // The analog readings stand as navy bars.
  QPalette navy = palette();
  navy.setColor(QPalette::Highlight, QColor(0, 0, 128));
  for (int n = 1; n <= kAnalogInputs; ++n) {
    gauges_[n] = control<QProgressBar>(*this, "GaugeAD", n);
    gauges_[n]->setPalette(navy);
    adValues_[n] = control<QLabel>(*this, "ValAD", n);
  }
}

void CardTestWindow::makeChipAnswers() {
  auto* grid = new QGridLayout(ui_->ChipAnswers);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  for (std::size_t i = 0; i < kCardChips.size(); ++i) {
    const CardChip& chip = kCardChips[i];
    const QString address = chipAddress(chip.address);
    auto* name = new QLabel(address + QStringLiteral(" ") + QString::fromUtf8(chip.name), ui_->ChipAnswers);
    name->setObjectName(QStringLiteral("Chip") + address.mid(2));
    name->setAlignment(Qt::AlignCenter);
    auto* answer = new QLabel(ui_->ChipAnswers);
    answer->setObjectName(QStringLiteral("Probe") + address.mid(2));  // Probe70, Probe72, Probe40, Probe90
    answer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    answer->setAlignment(Qt::AlignCenter);
    answer->setMinimumWidth(84);
    grid->addWidget(name, 0, static_cast<int>(i));
    grid->addWidget(answer, 1, static_cast<int>(i));
    chipAnswers_[i] = answer;
  }
}

void CardTestWindow::wireControls() {
  // Clicks only: a box or button set from the card image is not an operator's action.
  for (int n = 1; n <= kDigitalChannels; ++n) {
    connect(states_[n], &QCheckBox::clicked, this, [this, n](bool checked) { session_.testChannelBox(n, checked); });
    connect(inputs_[n], &QRadioButton::clicked, this, [this, n] { session_.testMakeInput(n); });
    connect(outputs_[n], &QRadioButton::clicked, this, [this, n] { session_.testMakeOutput(n); });
  }
  // The bars are moved from the image with their signals held back (showControls).
  for (int n = 1; n <= kDacChannels; ++n)
    connect(dacBars_[n], &QScrollBar::valueChanged, this,
            [this, n](int position) { session_.testScrollDac(n, position); });
  connect(ui_->ScrollBarDA, &QScrollBar::valueChanged, this, [this](int position) { session_.testScrollDa(position); });

  connect(ui_->Button1, &QPushButton::clicked, this, [this] { session_.testReadInputs(); });
  connect(ui_->ButtonSetOutput, &QPushButton::clicked, this, [this] { session_.testSetOutputs(); });
  connect(ui_->ButtonClearOutput, &QPushButton::clicked, this, [this] { session_.testClearOutputs(); });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { session_.testInit(); });

  connect(ui_->SpinEditCycle, &QSpinBox::valueChanged, this, [this](int value) { session_.testCycleChanged(value); });
  connect(ui_->CBActivCarte, &QCheckBox::clicked, this, [this](bool checked) { session_.testCardEnabled(checked); });
  connect(ui_->CBtestOutput, &QCheckBox::clicked, this, [this](bool checked) { session_.testRunningLight(checked); });
  connect(ui_->CBShowAcquisition, &QCheckBox::clicked, this, &CardTestWindow::showAcquisition);
}

void CardTestWindow::showControls() {
  const CardTestControls& c = session_.testControls();
  for (int n = 1; n <= kDigitalChannels; ++n) {
    states_[n]->setChecked(c.CB[n]);
    // In and On are one pair of radio buttons: checking one unchecks the other.
    (c.In[n] ? inputs_[n] : outputs_[n])->setChecked(true);
  }
  for (int n = 1; n <= kDacChannels; ++n) {
    const QSignalBlocker quiet(dacBars_[n]);
    dacBars_[n]->setValue(c.ScrollBarDAC[n]);
    dacValues_[n]->setText(qtText(c.ValDAC[n]));
  }
  {
    const QSignalBlocker quiet(ui_->ScrollBarDA);
    ui_->ScrollBarDA->setValue(c.ScrollBarDA);
  }
  ui_->ValDA->setText(qtText(c.ValDA));
  for (int n = 1; n <= kAnalogInputs; ++n) {
    gauges_[n]->setValue(c.GaugeAD[n]);
    adValues_[n]->setText(qtText(c.ValAD[n]));
  }
  ui_->CBtestOutput->setChecked(c.CBtestOutput);
  ui_->CBActivCarte->setChecked(c.CBActivCarte);
  const QSignalBlocker quiet(ui_->SpinEditCycle);
  ui_->SpinEditCycle->setValue(c.SpinEditCycle);
}

void CardTestWindow::showLink() {
  const CardTestDiagnostics diagnostics = session_.testDiagnostics();
  ui_->PortAccess->setText(qtText(diagnostics.portAccess));
  const std::optional<CardProbe>& probe = session_.cardProbe();
  ui_->ProbeText->setText(probe ? qtText(probe->text()) : QStringLiteral("Carte pas encore interrogée"));
  for (std::size_t i = 0; i < kCardChips.size(); ++i) {
    QLabel* answer = chipAnswers_[i];
    if (!probe || !probe->cardEnabled) {
      // Nothing was sent to the chip, so its silence says nothing.
      answer->setText(QStringLiteral("non interrogé"));
      answer->setStyleSheet(QString());
    } else if (probe->answered(kCardChips[i].address)) {
      answer->setText(QStringLiteral("répond"));
      answer->setStyleSheet(QStringLiteral("color: #006400; font-weight: bold;"));
    } else {
      answer->setText(QStringLiteral("muet"));
      answer->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    }
  }
}

void CardTestWindow::showAcquisition(bool shown) {
  {
    const QSignalBlocker quiet(ui_->CBShowAcquisition);
    ui_->CBShowAcquisition->setChecked(shown);
  }
  QWidget* panel = ui_->PanelAcquisition;
  if (panel->isVisibleTo(this) == shown) return;
  if (shown) {
    heightWithoutAcquisition_ = height();
    panel->show();
    layout()->activate();
    resize(width(), heightWithoutAcquisition_ + panel->sizeHint().height() + layout()->spacing());
    // Grown within the screen: on a small one the panel takes less height.
    ScreenFit::fit(*this);
  } else {
    panel->hide();
    layout()->activate();
    resize(width(), std::max(heightWithoutAcquisition_, minimumSizeHint().height()));
  }
}

bool CardTestWindow::event(QEvent* event) {
  // While the window is active the test alone drives the DA output. An activation that the
  // desktop delivers late, once the window is closed again, does not count.
  if (event->type() == QEvent::WindowActivate && isVisible() && !session_.state().TestWindowOpen)
    session_.setTestWindowOpen(true);
  return QDialog::event(event);
}

void CardTestWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar: nothing new
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  if (!session_.state().TestWindowOpen) session_.setTestWindowOpen(true);
}

void CardTestWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;  // minimised: the window is still open
  // The running light must not go on switching the card's outputs, channel 9 the gun's among
  // them, once nobody watches it.
  if (session_.testControls().CBtestOutput) session_.testRunningLight(false);
  session_.setTestWindowOpen(false);
}

}  // namespace chromaflow
