#pragma once
// The job record as a CSV file, for a spreadsheet or the firm's records: one row per surface,
// per proportion interval, for the paint left in the hose, for the whole run and per alarm.
// Point as the decimal separator, comma between cells, one heading row; the columns a row does
// not use are empty.
//
//   kind            surface, interval, hose (pumped for beyond the path's end, left in the hose),
//                   total (the surfaces together), alarm
//   index           the surface's, interval's or alarm's number, from 1
//   from_m, to_m    the stretch of the path
//   distance_m, area_m2                 what the roller painted there
//   asked_p1_l, asked_p2_l              litres the plan asks for the paint pumped for it
//   delivered_p1_l, delivered_p2_l      litres counted from the pumps' pulses for it
//   pulses_p1, pulses_p2                those pulses
//   asked_pct, laid_pct                 the proportion asked and laid, % of P2 as in the plan
//                                       (0: P1 alone; empty: nothing pumped)
//   correction_pct                      mean correction applied while pumping for it, %
//   alarm           the alarm's panel name (AlarmP1Lente...), alarm rows only
//   start_s, start_m                    when (s from the run's start) and where it was raised
//   duration_s, raisings                how long it stood, how many times it was raised

#include <string>
#include <vector>

#include "core/control/job_record.h"

namespace chromaflow {

std::vector<std::string> jobRecordCsvLines(const JobRecord& record);
// Written whole or not at all; throws FileError.
void writeJobRecordCsv(const JobRecord& record, const std::string& path);

}  // namespace chromaflow
