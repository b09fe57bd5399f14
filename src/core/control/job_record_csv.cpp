#include "core/control/job_record_csv.h"

#include <cstdio>

#include "core/common/text_file.h"

namespace chromaflow {
namespace {

constexpr const char* kHeading =
    "kind,index,from_m,to_m,distance_m,area_m2,asked_p1_l,asked_p2_l,delivered_p1_l,delivered_p2_l,pulses_p1,"
    "pulses_p2,asked_pct,laid_pct,correction_pct,alarm,start_s,start_m,duration_s,raisings";

// Fixed decimals with a point, whatever the program's locale.
std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  if (s.find(',') != std::string::npos) s.replace(s.find(','), 1, ".");
  return s == "-0.000" || s == "-0.0000" || s == "-0.00" ? s.substr(1) : s;
}

std::string share(double percent) { return percent < 0 ? std::string() : fixed(percent, 2); }

std::string stretchRow(const char* kind, const std::string& index, const RecordedStretch& s) {
  return std::string(kind) + "," + index + "," + fixed(s.from, 3) + "," + fixed(s.to, 3) + "," +
         fixed(s.distancePainted, 3) + "," + fixed(s.areaPainted, 3) + "," + fixed(s.askedP1, 4) + "," +
         fixed(s.askedP2, 4) + "," + fixed(s.deliveredP1, 4) + "," + fixed(s.deliveredP2, 4) + "," +
         std::to_string(s.pulsesP1) + "," + std::to_string(s.pulsesP2) + "," + share(s.askedProportion()) + "," +
         share(s.laidProportion()) + "," + fixed(s.meanCorrection(), 2) + ",,,,,";
}

}  // namespace

std::vector<std::string> jobRecordCsvLines(const JobRecord& record) {
  std::vector<std::string> lines{kHeading};
  int n = 0;
  for (const RecordedStretch& s : record.surfaces()) lines.push_back(stretchRow("surface", std::to_string(++n), s));
  n = 0;
  for (const RecordedStretch& s : record.intervals()) lines.push_back(stretchRow("interval", std::to_string(++n), s));
  lines.push_back(stretchRow("hose", "", record.beyondEnd()));
  lines.push_back(stretchRow("total", "", record.totals()));
  n = 0;
  for (const RecordedAlarm& a : record.alarms())
    lines.push_back("alarm," + std::to_string(++n) + ",,,,,,,,,,,,,," + alarmName(a.alarm) + "," +
                    fixed(static_cast<double>(a.startMilliseconds) / 1000, 2) + "," + fixed(a.startDistance, 3) + "," +
                    fixed(static_cast<double>(a.durationMilliseconds) / 1000, 2) + "," + std::to_string(a.raisings));
  return lines;
}

void writeJobRecordCsv(const JobRecord& record, const std::string& path) {
  writeTextFile(path, jobRecordCsvLines(record));
}

}  // namespace chromaflow
