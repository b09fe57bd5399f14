#pragma once
// What the reading cycle takes of the machine's inputs at each tick: the latest level of every
// digital input and how many times each changed since the tick before (each change is one
// pulse). Where it comes from is the source's business: one reading of the card per tick in
// headless runs, or what the acquisition thread counted in between while the program runs live.

#include <array>
#include <cstdint>

#include "core/card/card_image.h"
#include "core/card/k8000_card.h"

namespace chromaflow {

struct InputCapture {
  std::array<bool, kDigitalChannels + 1> inputs{};             // indexed by channel from 1
  std::array<std::uint32_t, kDigitalChannels + 1> changes{};   // since the last capture
};

class InputSource {
 public:
  virtual ~InputSource() = default;
  // The inputs now; afterwards the card's image shows their latest levels.
  virtual InputCapture capture() = 0;
  // Whether the gun valve's output is pulsed by the source's own thread, not by a tick.
  virtual bool pulsesGunValve() const { return false; }
};

// One reading of the I/O chips per capture, on the caller's thread: an input has changed once
// when it differs from the capture before. Replays, tests and benchmarks count this way.
class CardReadingSource final : public InputSource {
 public:
  explicit CardReadingSource(K8000Card& card) : card_(card) {}
  InputCapture capture() override {
    card_.ReadAllIoChips();
    InputCapture taken;
    taken.inputs = card_.image().InputImage;
    for (int channel = 1; channel <= kDigitalChannels; ++channel)
      taken.changes[channel] = taken.inputs[channel] != previous_[channel] ? 1 : 0;
    previous_ = taken.inputs;
    return taken;
  }

 private:
  K8000Card& card_;
  std::array<bool, kDigitalChannels + 1> previous_{};
};

}  // namespace chromaflow
