#include "history/history_listing.h"

#include <strings.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <ostream>

#include "core/common/display_forms.h"
#include "history/connection_text.h"
#include "history/postgres_job_store.h"
#include "history/shared_history_rights.h"
#include "history/sqlite_job_store.h"

namespace chromaflow {

bool namesServer(const std::string& target) {
  if (target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0) return true;
  // libpq's words start with one, its letters and "_" then "=", spaces allowed around them; a
  // path holding "=" further on ("/srv/chantiers=2024/history.sqlite") is a path.
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  std::size_t at = 0;
  while (at < target.size() && blank(target[at])) ++at;
  const std::size_t word = at;
  while (at < target.size() && letter(target[at])) ++at;
  if (at == word) return false;
  while (at < target.size() && blank(target[at])) ++at;
  return at < target.size() && target[at] == '=';
}

std::optional<std::string> historyTargetProblem(const std::string& target) {
  const std::string what =
      " : donnez le chemin du fichier de l'historique (par exemple ~/.local/share/chromaflow/history.sqlite) ou la "
      "connexion à un serveur PostgreSQL (postgresql://utilisateur@hôte/base)";
  if (target.find_first_not_of(" \t\n\r\f\v") == std::string::npos) return "aucun historique n'est nommé" + what;
  if (namesServer(target)) return std::nullopt;
  // SQLite's own names: a database in memory, kept nowhere, and its URIs, which name a file
  // with options of their own ("file:history.sqlite?mode=memory").
  if (target == ":memory:") return "« :memory: » ne garderait aucun chantier" + what;
  // A server's connection mistyped reads as a path: quoted, it shows no password either.
  const std::string quoted = "« " + shownWithoutPasswords(target, target) + " »";
  if (::strncasecmp(target.c_str(), "file:", 5) == 0)
    return quoted + " est une adresse SQLite, que ce programme ne suit pas" + what;
  if (target.back() == '/') return quoted + " est un dossier" + what;
  return std::nullopt;
}

namespace {

// Tabs and line ends inside a text would break the line into false columns.
std::string cell(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

std::unique_ptr<JobStore> jobStoreFor(const std::string& target) {
  if (namesServer(target)) return std::make_unique<PostgresJobStore>(target);
  return std::make_unique<SqliteJobStore>(target);
}

std::unique_ptr<JobStore> readingStoreFor(const std::string& target) {
  if (namesServer(target)) return std::make_unique<PostgresJobStore>(target, JobStoreOptions{.readOnly = true});
  return std::make_unique<SqliteJobStore>(target, JobStoreOptions{.readOnly = true}, SqliteJobStore::Access::Reading);
}

std::unique_ptr<HistoryWriter> writerFor(const std::string& target) {
  HistoryWriterOptions options;
  if (namesServer(target))
    options.closesCutOffJobs = false;  // the program's running jobs may be there, under this machine's name
  else
    options.writersLock = target + ".writers";
  return std::make_unique<HistoryWriter>(jobStoreFor(target), nullptr, std::move(options));
}

std::optional<std::int64_t> historyDate(const std::string& text) {
  // Digits exactly where the form has them: no sign, no space, the year in four.
  const auto digits = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const bool withTime = text.size() == 16;
  if ((text.size() != 10 && !withTime) || text[4] != '-' || text[7] != '-') return std::nullopt;
  if (withTime && ((text[10] != ' ' && text[10] != 'T') || text[13] != ':')) return std::nullopt;
  const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
  const int hour = withTime ? digits(11, 2) : 0, minute = withTime ? digits(14, 2) : 0;
  if (year < 1 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
    return std::nullopt;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return std::nullopt;
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(seconds) * 1000;
}

std::string jobListLine(const JobSummary& job) {
  const std::time_t seconds = static_cast<std::time_t>(job.startedMs / 1000);
  std::tm local{};
  char date[32] = "?";
  if (::localtime_r(&seconds, &local)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local);
  std::string verdict = cell(job.verdictText);
  if (job.status != JobStatus::Finished) verdict = "[" + std::string(statusText(job.status)) + "] " + verdict;
  return std::string(date) + "\t" + cell(job.machine) + "\t" + cell(job.projectName) + "\t" + F2(job.figures.areaPainted) +
         "\t" + F2(job.figures.litresP1) + "\t" + F2(job.figures.litresP2) + "\t" + verdict;
}

int listHistory(const std::string& target, const std::optional<std::string>& since, std::ostream& out,
                std::ostream& err) {
  std::optional<std::int64_t> sinceMs;
  if (since) {
    sinceMs = historyDate(*since);
    if (!sinceMs) {
      err << "Date illisible : « " << *since
          << " » (attendu AAAA-MM-JJ ou AAAA-MM-JJ HH:MM, l'année en quatre chiffres).\n";
      return 1;
    }
  }
  if (const auto problem = historyTargetProblem(target)) {
    err << "Historique des travaux : " << *problem << ".\n";
    return 1;
  }
  const bool server = namesServer(target);
  // A server's connection mistyped ("postgres:/peintre:...@atelier/base") reads as a path, which
  // every message quotes without its password all the same.
  const std::string shown = shownWithoutPasswords(target, target);
  if (!server) {
    std::error_code unreadable;
    if (!std::filesystem::exists(target, unreadable)) {
      if (unreadable)
        err << "L'historique des travaux « " << shown << " » ne peut pas être lu (" << unreadable.message()
            << ").\n";
      else
        err << "L'historique des travaux « " << shown << " » n'existe pas.\n";
      return 1;
    }
  }
  try {
    // Read only: a list changes nothing, and needs no right to write.
    const std::unique_ptr<JobStore> store =
        server ? jobStoreFor(target)
               : std::make_unique<SqliteJobStore>(target, JobStoreOptions{}, SqliteJobStore::Access::Reading);
    store->open();
    for (const JobSummary& job : store->list(sinceMs, "")) out << jobListLine(job) << '\n';
  } catch (const HistoryError& error) {
    err << shownWithoutPasswords(error.what(), target) << '\n';
    return 1;
  }
  return 0;
}

int setUpSharedHistory(const std::string& connection, std::ostream& out, std::ostream& err) {
  try {
    PostgresJobStore store(connection);
    store.setUpRights();
    out << "Historique partagé " << store.target() << " prêt : ses tables, et les droits des rôles "
        << shared_history_rights::kMachineRole << " (une machine n'y change que ses chantiers et n'en efface aucun) et "
        << shared_history_rights::kReaderRole << " (lecture seule).\n"
        << "Pour chaque poste de l'atelier, un rôle de connexion à son nom, par exemple :\n"
        << "  CREATE ROLE atelier1 LOGIN PASSWORD '...' IN ROLE " << shared_history_rights::kMachineRole << ";\n"
        << "et pour un lecteur :\n"
        << "  CREATE ROLE bureau LOGIN PASSWORD '...' IN ROLE " << shared_history_rights::kReaderRole << ";\n";
  } catch (const HistoryError& error) {
    err << error.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace chromaflow
