#pragma once
// FTestInterface, "Test complet de la carte d'interface": every channel of the K8000 card shown
// and set by hand, refreshed on every reading-cycle tick.
//
// The window holds nothing of its own: each gesture is one operation of the session, and every
// change of the card image is copied back into the controls, whether the window is shown or not.
// While it is active the dosing leaves the DA output to it. The acquisition settings, the
// running-light test and the card's link (port access, chips answering) sit in a panel the
// operator opens with the check box "Acquisition et liaison".

#include <QDialog>

#include <array>
#include <memory>

#include "core/card/card_image.h"
#include "core/card/k8000_chips.h"
#include "core/common/signal.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QRadioButton;
class QScrollBar;

namespace Ui {
class FTestInterface;
}

namespace chromaflow {

class Session;

class CardTestWindow : public QDialog {
 public:
  explicit CardTestWindow(Session& session, QWidget* parent = nullptr);
  ~CardTestWindow() override;

  // The acquisition settings, the running light and the card's link shown or put away; the
  // window grows to make room for them and gives the room back.
  void showAcquisition(bool shown);

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void findControls();
  void makeChipAnswers();
  void wireControls();
  void showControls();
  void showLink();

  Session& session_;
  std::unique_ptr<Ui::FTestInterface> ui_;
  // The form's controls by channel number (entry 0 unused).
  std::array<QCheckBox*, kDigitalChannels + 1> states_{};
  std::array<QRadioButton*, kDigitalChannels + 1> inputs_{};
  std::array<QRadioButton*, kDigitalChannels + 1> outputs_{};
  std::array<QScrollBar*, kDacChannels + 1> dacBars_{};
  std::array<QLabel*, kDacChannels + 1> dacValues_{};
  std::array<QProgressBar*, kAnalogInputs + 1> gauges_{};
  std::array<QLabel*, kAnalogInputs + 1> adValues_{};
  std::array<QLabel*, kCardChips.size()> chipAnswers_{};  // in the order of kCardChips
  int heightWithoutAcquisition_ = 0;
  // Last, so that the window stops listening before its widgets go.
  Subscription changed_;
};

}  // namespace chromaflow
