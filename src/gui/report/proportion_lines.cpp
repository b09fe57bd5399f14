#include "gui/report/proportion_lines.h"

#include "core/control/job_record.h"

namespace chromaflow {

ProportionLines proportionLines(const JobRecord& record) {
  ProportionLines lines;
  lines.asked.reserve(static_cast<qsizetype>(record.profile().size()));
  RecordedStretch joined;  // bins joined for the laid line
  RecordedStretch lastPoint;  // the bins of the last point laid
  bool joining = false;
  const auto point = [](const RecordedStretch& s) { return QPointF((s.from + s.to) / 2.0, s.laidProportion()); };
  for (const RecordedStretch& bin : record.profile()) {
    if (!bin.pumped()) continue;
    if (bin.askedProportion() >= 0) lines.asked.append({(bin.from + bin.to) / 2.0, bin.askedProportion()});
    // Asked, but the pumps gave it nothing: the laid line does not reach over it.
    if (bin.deliveredP1 + bin.deliveredP2 <= 0) continue;
    if (!joining) joined = RecordedStretch{.from = bin.from};
    joining = true;
    joined.extendBy(bin);
    if (joined.pulsesP1 + joined.pulsesP2 < kPulsesPerLaidPoint) continue;
    lines.laid.append(point(joined));
    lastPoint = joined;
    joining = false;
  }
  if (!joining) return lines;
  // The last bins hold too few pulses to stand alone (the last two pulses of P2 would draw the
  // mix at 100 %): they are laid with the point before them, as the paint of one stretch.
  if (!lines.laid.isEmpty()) {
    lastPoint.extendBy(joined);
    lines.laid.back() = point(lastPoint);
  } else if (joined.laidProportion() >= 0) {
    lines.laid.append(point(joined));
  }
  return lines;
}

}  // namespace chromaflow
