#pragma once
// What an operation of the session changed, so that a window repaints only what it shows of it.

#include <cstdint>

namespace chromaflow {

enum class Changed : std::uint32_t {
  Figures = 1u << 0,          // main and correction window figures, counters, bars, gauge
  Alarms = 1u << 1,           // the correction window's alarm panels
  SurfaceView = 1u << 2,      // the surfaces were drawn again (in white, before their colours)
  ProportionViews = 1u << 3,  // the proportion chart, the colour scale, the surface colours, totals
  SurfaceRows = 1u << 4,      // the surface table
  ProportionRows = 1u << 5,   // the proportion table
  HoseConditions = 1u << 6,   // hose state, start proportion, anticipation
  ColourRows = 1u << 7,       // the colour table
  Settings = 1u << 8,         // machine settings, their views and charts
  DocumentNames = 1u << 9,    // file names and window titles
  CardImage = 1u << 10,       // the card image the test window shows
  UserText = 1u << 11,        // the project's user text
  Language = 1u << 12,        // the main window's labels
  Port = 1u << 13,            // the parallel port in use, its access and the card's answer
  Editors = 1u << 14,         // the row editors', colour picker's and unit choice's own fields
  Verdict = 1u << 15,         // the tolerance the job is judged at
  Job = 1u << 16,             // a job of the history began or ended
};

struct Change {
  std::uint32_t bits = 0;

  bool has(Changed what) const { return (bits & static_cast<std::uint32_t>(what)) != 0; }
  bool empty() const { return bits == 0; }
  Change& operator|=(Changed what) {
    bits |= static_cast<std::uint32_t>(what);
    return *this;
  }
};

constexpr Changed operator|(Changed a, Changed b) {
  return static_cast<Changed>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}

}  // namespace chromaflow
