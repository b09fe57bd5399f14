#include "gui/report/proportion_lines.h"

#include "core/control/job_record.h"

namespace chromaflow {

ProportionLines proportionLines(const JobRecord& record) {
  ProportionLines lines;
  lines.asked.reserve(static_cast<qsizetype>(record.profile().size()));
  RecordedStretch joined;  // bins joined for the laid line
  bool joining = false;
  for (const RecordedStretch& bin : record.profile()) {
    if (!bin.pumped()) continue;
    if (bin.askedProportion() >= 0) lines.asked.append({(bin.from + bin.to) / 2.0, bin.askedProportion()});
    if (!joining) joined = RecordedStretch{.from = bin.from};
    joining = true;
    joined.extendBy(bin);
    if (joined.pulsesP1 + joined.pulsesP2 < kPulsesPerLaidPoint) continue;
    lines.laid.append({(joined.from + joined.to) / 2.0, joined.laidProportion()});
    joining = false;
  }
  if (joining && joined.laidProportion() >= 0)
    lines.laid.append({(joined.from + joined.to) / 2.0, joined.laidProportion()});
  return lines;
}

}  // namespace chromaflow
