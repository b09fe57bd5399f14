#include "core/card/card_test_panel.h"

#include <algorithm>

namespace chromaflow {

CardTestControls CardTestControls::initial() {
  CardTestControls controls;
  controls.In.fill(true);
  controls.In[0] = false;
  controls.ValDAC.fill("63");
  controls.ValDAC[0].clear();
  controls.ValDA = "255";
  controls.ValAD.fill("255");
  controls.ValAD[0].clear();
  return controls;
}

CardTestPanel::CardTestPanel(K8000Card& card, PortAccessText portAccess)
    : card_(card), portAccess_(std::move(portAccess)) {
  controls_.CBActivCarte = card_.bus().cardEnabled();
}

CardTestDiagnostics CardTestPanel::diagnostics() const {
  CardTestDiagnostics diagnostics;
  diagnostics.port = card_.bus().selectedPort();
  if (portAccess_) diagnostics.portAccess = portAccess_(diagnostics.port);
  diagnostics.probe = probe_;
  return diagnostics;
}

void CardTestPanel::RefreshTestWindow() {
  const CardImage& image = card_.image();
  for (int n = 1; n <= kDigitalChannels; ++n) {
    controls_.CB[n] = image.InputImage[n];
    controls_.In[n] = image.isInput(n);
    controls_.On[n] = !controls_.In[n];
  }
  for (int n = 1; n <= kDacChannels; ++n) {
    controls_.ScrollBarDAC[n] = std::clamp(kDacPositionTop - image.DacImage[n], 0, kDacPositionTop);
    controls_.ValDAC[n] = std::to_string(image.DacImage[n]);
  }
  // The image keeps a DA value as given; a bar cannot stand outside its range.
  controls_.ScrollBarDA = std::clamp(kDaPositionTop - image.DaImage[1], 0, kDaPositionTop);
  controls_.ValDA = std::to_string(image.DaImage[1]);
  for (int n = 1; n <= kAnalogInputs; ++n) {
    controls_.GaugeAD[n] = image.AnalogInputImage[n];
    controls_.ValAD[n] = std::to_string(image.AnalogInputImage[n]);
  }
  if (refreshed) refreshed();
}

void CardTestPanel::CBClick(int channel, bool checked) {
  if (checked)
    card_.SetOutputChannel(channel);
  else
    card_.ClearOutputChannel(channel);
  // The box stays as clicked until the next refresh puts it back to the channel's state.
  controls_.CB[channel] = checked;
}

void CardTestPanel::InClick(int channel) { card_.MakeChannelInput(channel); }

void CardTestPanel::OnClick(int channel) { card_.MakeChannelOutput(channel); }

void CardTestPanel::ScrollBarDACChange(int channel, int position) {
  position = std::clamp(position, 0, kDacPositionTop);
  card_.WriteDacChannel(channel, kDacPositionTop - position);
  // The write does not refresh the window; the bar and its label show it at once.
  controls_.ScrollBarDAC[channel] = position;
  controls_.ValDAC[channel] = std::to_string(card_.image().DacImage[channel]);
}

void CardTestPanel::ScrollBarDAChange(int position) {
  position = std::clamp(position, 0, kDaPositionTop);
  card_.WriteDaChannel(1, kDaPositionTop - position);
}

void CardTestPanel::Button1Click() {
  card_.MakeAllChannelsInput();
  card_.ReadAllInputs();
}

void CardTestPanel::ButtonSetOutputClick() {
  card_.MakeAllChannelsOutput();
  card_.SetAllOutputs();
  card_.SetAllDac();
  card_.SetAllDa();
}

void CardTestPanel::ButtonClearOutputClick() {
  card_.MakeAllChannelsOutput();
  card_.ClearAllOutputs();
  card_.ClearAllDac();
  card_.ClearAllDa();
}

CardProbe CardTestPanel::Button2Click() {
  card_.InitCard();
  probe_ = card_.ProbeCard();
  return *probe_;
}

std::optional<int> CardTestPanel::SpinEditCycleChange(int value) {
  controls_.SpinEditCycle = value;
  if (value <= 0) return std::nullopt;
  return value;
}

void CardTestPanel::CBActivCarteClick(bool checked) {
  controls_.CBActivCarte = checked;
  card_.onBus([&] { card_.bus().setCardEnabled(checked); });
}

void CardTestPanel::CBtestOutputClick(bool checked) {
  const bool wasRunning = controls_.CBtestOutput;
  controls_.CBtestOutput = checked;
  if (checked) {
    card_.MakeAllChannelsOutput();
    card_.ClearAllOutputs();
    card_.ClearDaChannel(1);
    lit_ = 0;
    goingUp_ = true;
  } else if (wasRunning) {
    card_.ClearAllOutputs();
  }
}

int CardTestPanel::step() {
  if (!controls_.CBtestOutput) return 0;
  lit_ += goingUp_ ? 1 : -1;
  if (lit_ > kDigitalChannels) {
    lit_ = kDigitalChannels;
    card_.SetAllOutputs();
    goingUp_ = false;
  } else if (lit_ < 1) {
    lit_ = 1;
    card_.SetAllOutputs();
    goingUp_ = true;
  }
  card_.ClearAllOutputs();
  card_.SetOutputChannel(lit_);
  return lit_;
}

}  // namespace chromaflow
