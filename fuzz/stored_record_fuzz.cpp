// A job record kept in the history, read back from any bytes: refused with its reason, or read
// into a record that keeps itself whole, judged and summed without a crash.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/control/job_record.h"
#include "core/control/job_verdict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  JobRecord record;
  try {
    record = JobRecord::fromStored(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const StoredRecordError&) {
    return 0;
  }
  // What was read is kept again as it reads: the second keeping is the first's.
  const std::string kept = record.stored();
  if (JobRecord::fromStored(kept).stored() != kept) std::abort();
  (void)record.totals();
  (void)judgeJob(record, JobVerdict::kDefaultTolerance);
  return 0;
}
