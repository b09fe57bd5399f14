#include "core/history/stored_job.h"

#include <charconv>
#include <cmath>
#include <random>

#include "core/common/text_file.h"
#include "core/control/stored_words.h"

namespace chromaflow {
namespace {

constexpr std::string_view kVerdictMagic = "chromaflow-verdict";
constexpr int kVerdictVersion = 1;

template <typename T>
void put(std::string& out, T value) {
  out += ' ';
  putNumber(out, value);
}

[[noreturn]] void unreadable(const std::string& why) {
  throw StoredRecordError("Verdict du chantier illisible : " + why + ".");
}

// The words of a stored verdict, one after the other.
struct Words : StoredWords {
  explicit Words(std::string_view bytes) : StoredWords(bytes, "Verdict du chantier") {}
};

}  // namespace

const char* statusText(JobStatus status) {
  switch (status) {
    case JobStatus::Running: return "en cours";
    case JobStatus::Finished: return "terminé";
    case JobStatus::Interrupted: return "interrompu";
  }
  return "en cours";
}

std::optional<JobStatus> statusOfText(std::string_view text) {
  for (JobStatus status : {JobStatus::Running, JobStatus::Finished, JobStatus::Interrupted})
    if (text == statusText(status)) return status;
  return std::nullopt;
}

JobFigures figuresOf(const JobRecord& record) {
  const RecordedStretch total = record.totals();
  const RecordedStretch& hose = record.beyondEnd();
  return {total.areaPainted, total.deliveredP1 + hose.deliveredP1, total.deliveredP2 + hose.deliveredP2,
          static_cast<long long>(record.alarms().size()) + record.alarmsNotKept()};
}

JobSummary summaryOf(const StoredJob& job) {
  return {job.id,          job.uid,         job.startedMs, job.endedMs,
          job.status,      job.machine,     job.projectName, job.userText,
          job.figures,     job.verdict.withinTolerance, job.verdictText};
}

void takeFromRecord(StoredJob& job, const JobRecord& record, double tolerance) {
  job.record = record;
  job.figures = figuresOf(record);
  job.verdict = judgeJob(record, tolerance);
  job.verdictText = verdictText(job.verdict);
}

std::string storedVerdict(const JobVerdict& v) {
  std::string out(kVerdictMagic);
  put(out, kVerdictVersion);
  out += '\n';
  for (bool flag : {v.painted, v.enoughToJudge, v.withinTolerance}) put(out, flag ? 1 : 0);
  for (double figure : {v.tolerance, v.paintedLength, v.judgedLength, v.judgedLitres, v.windowLitres}) put(out, figure);
  put(out, v.stretches.size());
  out += '\n';
  for (const OutOfTolerance& s : v.stretches) {
    put(out, s.from), put(out, s.to), put(out, s.worstDeviation);
    out += '\n';
  }
  return out + "end\n";
}

JobVerdict verdictFromStored(std::string_view bytes) {
  Words words(bytes);
  if (words.next() != kVerdictMagic) unreadable("ce n'est pas un verdict");
  const int version = words.number<int>();
  if (version < 1 || version > kVerdictVersion) unreadable("version de format inconnue");
  JobVerdict v;
  for (bool* flag : {&v.painted, &v.enoughToJudge, &v.withinTolerance}) *flag = words.flag();
  for (double* figure : {&v.tolerance, &v.paintedLength, &v.judgedLength, &v.judgedLitres, &v.windowLitres})
    *figure = words.number<double>();
  // Three numbers of two bytes at least each.
  v.stretches.resize(words.count(6));
  for (OutOfTolerance& s : v.stretches) {
    s.from = words.number<double>();
    s.to = words.number<double>();
    s.worstDeviation = words.number<double>();
  }
  if (words.next() != "end") unreadable("sa fin manque");
  if (!words.atEnd()) unreadable("des octets suivent sa fin");
  return v;
}

std::string firstLine(std::string_view text) {
  const std::size_t end = text.find_first_of("\r\n");
  return std::string(text.substr(0, end));
}

bool isUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra;
    std::uint32_t code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, code = c & 0x07;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode's last are not UTF-8.
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string asUtf8(std::string_view text) {
  std::string utf8 = isUtf8(text) ? std::string(text) : utf8FromWindows1252(text);
  // A NUL ends a text in some stores: never kept.
  std::erase(utf8, '\0');
  return utf8;
}

std::string newJobUid(std::string_view machine, std::int64_t startedMs) {
  std::random_device device;
  std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device());
  char part[17];
  const auto value = random();
  const auto end = std::to_chars(part, part + 16, value, 16).ptr;
  return std::string(machine) + "-" + std::to_string(startedMs) + "-" + std::string(part, end);
}

StoredJob withMachineAndUid(const StoredJob& job, const std::string& machine) {
  StoredJob full = job;
  if (full.machine.empty()) full.machine = machine;
  if (full.uid.empty()) full.uid = newJobUid(full.machine, full.startedMs);
  return full;
}

}  // namespace chromaflow
