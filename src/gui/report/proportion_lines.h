#pragma once
// The proportion asked and laid along the path, as the report's chart and the comparison of two
// jobs draw it: one point per profile bin for the asked line; for the laid line, bins joined
// until they hold enough pump pulses for a steady figure (a bin of a few pulses jumps between
// 0, 50 and 100 %); the few left at the end are taken with the point before them.

#include <QList>
#include <QPointF>

namespace chromaflow {

class JobRecord;

struct ProportionLines {
  QList<QPointF> asked, laid;  // (m along the path, % of P2)
};

// Joined bins hold this many pulses at least: a pulse is then at most a 3 % step.
constexpr long long kPulsesPerLaidPoint = 30;

ProportionLines proportionLines(const JobRecord& record);

}  // namespace chromaflow
