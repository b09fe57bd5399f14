#include "history/sqlite_job_store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <optional>
#include <utility>
#include <vector>

#include "history/history_paths.h"
#include "history/job_columns.h"

namespace chromaflow {
namespace {

using namespace history_tables;

// Each step brings the tables from one version to the next; step i makes version i + 1.
constexpr const char* kMigrations[] = {
    // 1: the jobs and their details.
    "CREATE TABLE jobs ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " uid TEXT NOT NULL UNIQUE,"
    " machine TEXT NOT NULL,"
    " project_path TEXT NOT NULL,"
    " project_name TEXT NOT NULL,"
    " user_text TEXT NOT NULL,"
    " started_ms INTEGER NOT NULL,"
    " ended_ms INTEGER NOT NULL,"
    " status TEXT NOT NULL,"
    " backend TEXT NOT NULL,"
    " tolerance REAL NOT NULL,"
    " within_tolerance INTEGER NOT NULL,"
    " verdict_text TEXT NOT NULL,"
    " area_m2 REAL NOT NULL,"
    " litres_p1 REAL NOT NULL,"
    " litres_p2 REAL NOT NULL,"
    " alarms INTEGER NOT NULL,"
    " waiting INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX jobs_by_start ON jobs (started_ms, id);"
    "CREATE INDEX jobs_running ON jobs (machine) WHERE status = 'en cours';"
    "CREATE INDEX jobs_waiting ON jobs (id) WHERE waiting = 1;"
    "CREATE TABLE job_details ("
    " job_id INTEGER PRIMARY KEY REFERENCES jobs (id) ON DELETE CASCADE,"
    " settings TEXT NOT NULL,"
    " verdict TEXT NOT NULL,"
    " record BLOB NOT NULL);",
};
static_assert(std::size(kMigrations) == JobStore::kSchemaVersion);

std::string named(const std::string& path) { return "« " + path + " »"; }

// The name SQLite is given for the file. A relative path starts with "./", so that no path is
// ever taken for an in-memory database (":memory:"), a temporary one ("") or a URI ("file:...",
// which this SQLite reads as one whatever the flags say).
std::string fileName(const std::string& path) { return !path.empty() && path.front() == '/' ? path : "./" + path; }

// The file as a URI telling SQLite that nothing changes it while it is read: no lock taken, no
// -wal or -shm file looked for or made.
std::string unchangingFileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // "file://" and an empty host before a full path, so that a path starting "//" is no host.
  std::string uri = path.front() == '/' ? "file://" : "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       byte == '/' || byte == '.' || byte == '-' || byte == '_' || byte == '~';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri + "?immutable=1";
}

// Something is there under that name, or cannot be told not to be.
bool present(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Whether the file and its folder may be written, as its writer needs them: the -wal and -shm
// files SQLite makes beside a history take the file's mode, so beside a file that may not be
// written they would stay read-only and stop its next writer. A file nobody may write counts as
// read-only even for the administrator, as it does for the writer.
bool writableWithItsFolder(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
      ::access(path.c_str(), W_OK) != 0)
    return false;
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

// A prepared statement, its parameters bound by position from 1.
class SqliteJobStore::Statement {
 public:
  Statement(SqliteJobStore& store, const std::string& sql, const char* doing) : store_(store), doing_(doing) {
    const int code = sqlite3_prepare_v2(store.db(), sql.c_str(), static_cast<int>(sql.size() + 1), &statement_, nullptr);
    if (code != SQLITE_OK) store.fail(code, doing_);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int at, std::int64_t value) { return check(sqlite3_bind_int64(statement_, at, value)); }
  Statement& bind(int at, double value) { return check(sqlite3_bind_double(statement_, at, value)); }
  Statement& bind(int at, const std::string& text) {
    return check(sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
  }
  // The bytes are not copied (a job's record is megabytes on the longest plans): the caller keeps
  // them until the statement has run.
  Statement& bindBlob(int at, const std::string& bytes) {
    return check(sqlite3_bind_blob(statement_, at, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC));
  }
  Statement& bindBlob(int at, std::string&& bytes) = delete;
  // True while a row is there to read.
  bool step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) store_.fail(code, doing_);
    return false;
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
  bool holdsInteger(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_INTEGER; }
  double real(int column) const { return sqlite3_column_double(statement_, column); }
  std::string text(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
  }

 private:
  Statement& check(int code) {
    if (code != SQLITE_OK) store_.fail(code, doing_);
    return *this;
  }
  SqliteJobStore& store_;
  const char* doing_;
  sqlite3_stmt* statement_ = nullptr;
};

// Everything between its start and commit() is written at once or not at all.
class SqliteJobStore::Transaction {
 public:
  Transaction(SqliteJobStore& store, const char* doing) : store_(store), doing_(doing) {
    store_.execute("BEGIN IMMEDIATE", doing_);
  }
  ~Transaction() {
    if (!done_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    store_.execute("COMMIT", doing_);
    done_ = true;
  }

 private:
  SqliteJobStore& store_;
  const char* doing_;
  bool done_ = false;
};

SqliteJobStore::SqliteJobStore(std::string path, JobStoreOptions options, Access access)
    : path_(std::move(path)), options_(std::move(options)), access_(access) {
  if (options_.machine.empty()) options_.machine = hostName();
}

SqliteJobStore::~SqliteJobStore() { close(); }

void SqliteJobStore::close() {
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

std::string SqliteJobStore::target() const { return path_; }

sqlite3* SqliteJobStore::db() {
  if (!db_) throw HistoryError(HistoryProblem::Other, "L'historique des travaux " + named(path_) + " n'est pas ouvert.");
  return db_;
}

void SqliteJobStore::fail(int code, const std::string& doing) {
  const std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
  const std::string where = "L'historique des travaux " + named(path_);
  switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw HistoryError(HistoryProblem::Damaged, where + " est endommagé (" + detail +
                                                      ") : ce programme ne le lit pas. Mettez ce fichier de côté pour "
                                                      "qu'un nouvel historique soit commencé.");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      throw HistoryError(HistoryProblem::ReadOnly,
                         where + " est en lecture seule : les travaux n'y sont pas gardés (" + detail + ").");
    case SQLITE_CANTOPEN:
      throw HistoryError(HistoryProblem::ReadOnly, where + " ne peut pas être ouvert (" + detail +
                                                       ") : les travaux n'y sont pas gardés.");
    case SQLITE_FULL:
      throw HistoryError(HistoryProblem::Other, where + " ne peut plus grandir : le disque est plein.");
    default:
      throw HistoryError(HistoryProblem::Other, where + " : échec en " + doing + " (" + detail + ").");
  }
}

void SqliteJobStore::execute(const char* sql, const std::string& doing) {
  const int code = sqlite3_exec(db(), sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) fail(code, doing);
}

void SqliteJobStore::open() {
  close();
  empty_ = false;
  if (path_.empty())
    throw HistoryError(HistoryProblem::Other, "Aucun fichier n'est donné pour l'historique des travaux.");
  if (access_ == Access::Reading)
    openForReading();
  else
    openForWriting();
}

void SqliteJobStore::connect(const std::string& name, int flags) {
  const int code = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  try {
    if (code != SQLITE_OK) fail(code, "ouverture");
    sqlite3_extended_result_codes(db_, 1);
    // Another connection (the program's writer, the history window's reader) may be at work:
    // wait for it rather than fail.
    sqlite3_busy_timeout(db_, 5000);
  } catch (...) {
    close();
    throw;
  }
}

void SqliteJobStore::openForWriting() {
  // A file nobody may write is read-only even for the administrator, who could otherwise.
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0 &&
      ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path_.c_str(), W_OK) != 0))
    throw HistoryError(HistoryProblem::ReadOnly, "L'historique des travaux " + named(path_) +
                                                     " est en lecture seule : les travaux n'y sont pas gardés.");
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);

  connect(fileName(path_), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  try {
    // Nothing is changed before the file is known to be a history of a version this program
    // knows, or empty: a file of another program or of a later version stays as it was.
    schemaVersion();
    // Large pages for a new file: a job's record spans megabytes on the longest plans, written
    // again every few seconds, and fewer pages to chain and to free make each write cheaper.
    // A file that already holds tables keeps its own.
    execute("PRAGMA page_size=65536", "ouverture");
    execute("PRAGMA journal_mode=WAL", "ouverture");
    // The log is copied back into the file every 4 MB, as with the usual pages.
    execute("PRAGMA wal_autocheckpoint=64", "ouverture");
    execute("PRAGMA synchronous=FULL", "ouverture");
    execute("PRAGMA foreign_keys=ON", "ouverture");
    migrate();
  } catch (...) {
    close();
    throw;
  }
}

void SqliteJobStore::openForReading() {
  // SQLite reads a history written ahead through the -shm file beside it, and makes it (with an
  // empty -wal) when it is not there. Where it may not make them as the history's writer would,
  // and no writer has them (none beside), the file is read as it stands: nothing made, no lock.
  const bool asItStands = !present(path_ + "-wal") && !present(path_ + "-shm") && !writableWithItsFolder(path_);
  readAsItStands_ = asItStands;
  if (asItStands)
    connect(unchangingFileUri(path_), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
  else
    connect(fileName(path_), SQLITE_OPEN_READONLY);
  try {
    empty_ = schemaVersion() == 0;
  } catch (...) {
    close();
    throw;
  }
}

bool SqliteJobStore::holdsJobs() {
  // A file read as it stands takes no lock: another account that may write it could start
  // doing so at any time, so each list or job is read from a connection opened for it alone.
  if (access_ == Access::Reading && (empty_ || !db_ || readAsItStands_)) open();
  return !empty_;
}

std::int64_t SqliteJobStore::schemaVersion() {
  Statement table(*this, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'chromaflow_schema'",
                  "lecture de la version");
  table.step();
  if (table.integer(0) == 0) {
    // Tables of another program: not ours to change.
    Statement any(*this, "SELECT count(*) FROM sqlite_master", "lecture de la version");
    any.step();
    if (any.integer(0) > 0)
      throw HistoryError(HistoryProblem::Damaged, "Le fichier " + named(path_) +
                                                      " n'est pas un historique des travaux : ce programme n'y écrit pas.");
    return 0;
  }
  // Read whole, each row: a version too large for a small integer must not pass for a small one.
  Statement rows(*this, "SELECT version FROM chromaflow_schema", "lecture de la version");
  std::vector<std::optional<std::int64_t>> versions;
  while (rows.step()) versions.push_back(rows.holdsInteger(0) ? std::optional(rows.integer(0)) : std::nullopt);
  for (const std::optional<std::int64_t>& version : versions)
    if (version && *version > kSchemaVersion)
      throw HistoryError(HistoryProblem::NewerSchema,
                         "L'historique des travaux " + named(path_) + " est de la version " + std::to_string(*version) +
                             ", plus récente que celle que ce programme connaît (" + std::to_string(kSchemaVersion) +
                             ") : il n'y touche pas. Mettez ChromaFlow à jour.");
  if (versions.size() == 1 && versions[0] && *versions[0] >= 1) return *versions[0];
  throw HistoryError(HistoryProblem::Damaged, "L'historique des travaux " + named(path_) +
                                                  " est endommagé (sa version n'en est pas une que ce programme "
                                                  "connaisse) : il n'y touche pas. Mettez ce fichier de côté pour "
                                                  "qu'un nouvel historique soit commencé.");
}

void SqliteJobStore::migrate() {
  Transaction transaction(*this, "mise à jour des tables");
  std::int64_t version = schemaVersion();
  if (version == kSchemaVersion) return;
  if (version == 0) execute("CREATE TABLE chromaflow_schema (version INTEGER NOT NULL)", "création des tables");
  for (; version < kSchemaVersion; ++version)
    execute(kMigrations[static_cast<std::size_t>(version)], "mise à jour des tables");
  Statement(*this, "DELETE FROM chromaflow_schema", "mise à jour des tables").step();
  Statement(*this, "INSERT INTO chromaflow_schema (version) VALUES (?)", "mise à jour des tables")
      .bind(1, static_cast<std::int64_t>(kSchemaVersion))
      .step();
  transaction.commit();
}

namespace {

// The job's columns bound from parameter `first` on, in kJobColumns' order.
template <typename S>
void bindJob(S& s, int first, const StoredJob& job, JobStatus status, bool waiting) {
  int at = first;
  s.bind(at++, asUtf8(job.uid));
  s.bind(at++, asUtf8(job.machine));
  s.bind(at++, asUtf8(job.projectPath));
  s.bind(at++, asUtf8(job.projectName));
  s.bind(at++, asUtf8(firstLine(job.userText)));
  s.bind(at++, job.startedMs);
  s.bind(at++, job.endedMs);
  s.bind(at++, std::string(statusText(status)));
  s.bind(at++, asUtf8(job.backend));
  s.bind(at++, job.verdict.tolerance);
  s.bind(at++, static_cast<std::int64_t>(job.verdict.withinTolerance));
  s.bind(at++, asUtf8(job.verdictText));
  s.bind(at++, job.figures.areaPainted);
  s.bind(at++, job.figures.litresP1);
  s.bind(at++, job.figures.litresP2);
  s.bind(at++, static_cast<std::int64_t>(job.figures.alarms));
  s.bind(at++, static_cast<std::int64_t>(waiting));
}

}  // namespace

std::int64_t SqliteJobStore::insertJob(const StoredJob& job, JobStatus status) {
  Statement insert(*this,
                   std::string("INSERT INTO jobs (") + kJobColumns + ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                   "écriture d'un travail");
  bindJob(insert, 1, job, status, options_.marksWaiting);
  insert.step();
  const std::int64_t id = sqlite3_last_insert_rowid(db());
  Statement details(*this, "INSERT INTO job_details (job_id, settings, verdict, record) VALUES (?,?,?,?)",
                    "écriture d'un travail");
  const std::string record = job.record.stored();
  details.bind(1, id).bind(2, asUtf8(job.settingsText)).bind(3, storedVerdict(job.verdict)).bindBlob(4, record);
  details.step();
  return id;
}

bool SqliteJobStore::rewriteJob(std::int64_t id, const StoredJob& job, JobStatus status, bool runningOnly) {
  std::string sql = "UPDATE jobs SET (";
  sql += kJobColumns;
  sql += ") = (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) WHERE id = ?";
  if (runningOnly) sql += " AND status = 'en cours'";
  Statement update(*this, sql, "écriture d'un travail");
  bindJob(update, 1, job, status, options_.marksWaiting);
  update.bind(kJobColumnCount + 1, id);
  update.step();
  if (sqlite3_changes(db()) == 0) return false;
  Statement details(*this, "UPDATE job_details SET settings = ?, verdict = ?, record = ? WHERE job_id = ?",
                    "écriture d'un travail");
  const std::string record = job.record.stored();
  details.bind(1, asUtf8(job.settingsText)).bind(2, storedVerdict(job.verdict)).bindBlob(3, record).bind(4, id);
  details.step();
  return true;
}

std::int64_t SqliteJobStore::beginJob(const StoredJob& job) {
  Transaction transaction(*this, "écriture d'un travail");
  const std::int64_t id = insertJob(withMachineAndUid(job, options_.machine), JobStatus::Running);
  transaction.commit();
  return id;
}

void SqliteJobStore::updateJob(std::int64_t id, const StoredJob& job) {
  Transaction transaction(*this, "écriture d'un travail");
  rewriteJob(id, withMachineAndUid(job, options_.machine), JobStatus::Running, true);
  transaction.commit();
}

void SqliteJobStore::finishJob(std::int64_t id, const StoredJob& job) {
  Transaction transaction(*this, "écriture d'un travail");
  const JobStatus status = job.status == JobStatus::Interrupted ? JobStatus::Interrupted : JobStatus::Finished;
  if (!rewriteJob(id, withMachineAndUid(job, options_.machine), status, false))
    throw HistoryError(HistoryProblem::NotFound, "Le travail n° " + std::to_string(id) + " n'est pas dans l'historique " +
                                                     named(path_) + ".");
  transaction.commit();
}

int SqliteJobStore::closeUnfinished() {
  // Every job of this file: it is this PC's, whatever name the PC had then.
  Transaction transaction(*this, "clôture des travaux interrompus");
  Statement close(*this,
                  "UPDATE jobs SET status = 'interrompu', ended_ms = max(ended_ms, started_ms),"
                  " waiting = max(waiting, ?) WHERE status = 'en cours'",
                  "clôture des travaux interrompus");
  close.bind(1, static_cast<std::int64_t>(options_.marksWaiting)).step();
  const int closed = sqlite3_changes(db());
  transaction.commit();
  return closed;
}

namespace {

// The summary of the row a statement stands on, read from kSummaryColumns.
template <typename Row>
JobSummary summaryAt(const Row& row) {
  JobSummary job;
  job.id = row.integer(0);
  job.uid = row.text(1);
  job.startedMs = row.integer(2);
  job.endedMs = row.integer(3);
  job.status = statusOfText(row.text(4)).value_or(JobStatus::Interrupted);
  job.machine = row.text(5);
  job.projectName = row.text(6);
  job.userText = row.text(7);
  job.figures = {row.real(8), row.real(9), row.real(10), row.integer(11)};
  job.withinTolerance = row.integer(12) != 0;
  job.verdictText = row.text(13);
  return job;
}

// The conditions of a list, its parameters numbered as they come: ?1 the date, ?2 the search,
// ?3 the machine, ?4 the state.
std::string conditionsOf(const JobQuery& query) {
  std::string sql = " WHERE 1";
  if (query.sinceMs) sql += " AND started_ms >= ?1";
  if (!query.search.empty()) {
    sql += " AND (";
    for (const char* column : kSearchedColumns) sql += std::string(column) + " LIKE ?2 ESCAPE '\\' OR ";
    sql += "0)";
  }
  if (!query.machine.empty()) sql += " AND machine = ?3";
  if (query.status) sql += " AND status = ?4";
  return sql;
}

}  // namespace

void SqliteJobStore::bindConditions(Statement& statement, const JobQuery& query) {
  if (query.sinceMs) statement.bind(1, *query.sinceMs);
  if (!query.search.empty()) statement.bind(2, containsPattern(query.search));
  if (!query.machine.empty()) statement.bind(3, query.machine);
  if (query.status) statement.bind(4, std::string(statusText(*query.status)));
}

std::vector<JobSummary> SqliteJobStore::list(std::optional<std::int64_t> sinceMs, const std::string& search,
                                             std::size_t limit) {
  if (!holdsJobs()) return {};
  const JobQuery query{.sinceMs = sinceMs, .search = search};
  Statement select(*this,
                   std::string("SELECT ") + kSummaryColumns + " FROM jobs" + conditionsOf(query) +
                       " ORDER BY started_ms DESC, id DESC LIMIT ?5",
                   "lecture de la liste des travaux");
  bindConditions(select, query);
  select.bind(5, limit == kNoLimit ? std::int64_t{-1} : static_cast<std::int64_t>(limit));
  std::vector<JobSummary> jobs;
  while (select.step()) jobs.push_back(summaryAt(select));
  return jobs;
}

JobPage SqliteJobStore::page(const JobQuery& query) {
  if (!holdsJobs()) return {};
  JobPage page;
  const std::string conditions = conditionsOf(query);
  Statement count(*this, "SELECT count(*) FROM jobs" + conditions, "lecture de la liste des travaux");
  bindConditions(count, query);
  if (count.step()) page.total = static_cast<std::size_t>(count.integer(0));
  Statement select(*this, std::string("SELECT ") + kSummaryColumns + " FROM jobs" + conditions + orderOf(query) +
                              " LIMIT ?5 OFFSET ?6",
                   "lecture de la liste des travaux");
  bindConditions(select, query);
  select.bind(5, static_cast<std::int64_t>(std::min(query.limit, JobQuery::kLargestPage)));
  select.bind(6, static_cast<std::int64_t>(std::min<std::size_t>(query.offset, INT64_MAX)));
  while (select.step()) page.jobs.push_back(summaryAt(select));
  return page;
}

namespace {

// What a commit changes: the size and time of the file and of its write-ahead log.
std::string lookAt(const std::string& path) {
  std::string seen;
  for (const std::string& file : {path, path + "-wal"}) {
    struct stat about {};
    if (::stat(file.c_str(), &about) == 0)
      seen += std::to_string(about.st_size) + "." + std::to_string(about.st_mtim.tv_sec) + "." +
              std::to_string(about.st_mtim.tv_nsec) + "." + std::to_string(about.st_ino);
    seen += ";";
  }
  return seen;
}

}  // namespace

bool SqliteJobStore::waitForChange(std::chrono::milliseconds most) {
  // A commit becomes visible in the log's index (the -shm file, written through memory), which
  // no stat shows: a change may go unseen here, so past a second the jobs may have changed.
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::min<std::chrono::milliseconds>(most, std::chrono::seconds(1));
  for (;;) {
    const std::string seen = lookAt(path_);
    if (lastLook_ && seen != *lastLook_) {
      lastLook_ = seen;
      return true;
    }
    lastLook_ = seen;
    const auto now = std::chrono::steady_clock::now();
    if (interrupted_) return false;
    if (now >= deadline) return most > std::chrono::seconds(1);
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(100), deadline - now));
  }
}

std::vector<std::string> SqliteJobStore::machines() {
  if (!holdsJobs()) return {};
  Statement select(*this, "SELECT DISTINCT machine FROM jobs ORDER BY machine", "lecture des machines");
  std::vector<std::string> names;
  while (select.step()) names.push_back(select.text(0));
  return names;
}

StoredJob SqliteJobStore::load(std::int64_t id) {
  if (!holdsJobs())
    throw HistoryError(HistoryProblem::NotFound,
                       "Le travail n° " + std::to_string(id) + " n'est pas dans l'historique " + named(path_) + ".");
  Statement select(*this,
                   "SELECT uid, machine, project_path, project_name, user_text, started_ms, ended_ms, status, backend,"
                   " tolerance, within_tolerance, verdict_text, area_m2, litres_p1, litres_p2, alarms,"
                   " settings, verdict, record FROM jobs JOIN job_details ON job_id = id WHERE id = ?",
                   "lecture d'un travail");
  select.bind(1, id);
  if (!select.step())
    throw HistoryError(HistoryProblem::NotFound,
                       "Le travail n° " + std::to_string(id) + " n'est pas dans l'historique " + named(path_) + ".");
  StoredJob job;
  job.id = id;
  job.uid = select.text(0);
  job.machine = select.text(1);
  job.projectPath = select.text(2);
  job.projectName = select.text(3);
  job.userText = select.text(4);
  job.startedMs = select.integer(5);
  job.endedMs = select.integer(6);
  job.status = statusOfText(select.text(7)).value_or(JobStatus::Interrupted);
  job.backend = select.text(8);
  job.verdictText = select.text(11);
  job.figures = {select.real(12), select.real(13), select.real(14), select.integer(15)};
  job.settingsText = select.text(16);
  try {
    job.verdict = verdictFromStored(select.text(17));
    job.record = JobRecord::fromStored(select.text(18));
  } catch (const StoredRecordError& error) {
    throw HistoryError(HistoryProblem::Damaged, "Le travail n° " + std::to_string(id) + " de l'historique " +
                                                    named(path_) + " est endommagé : " + error.what());
  }
  // The columns are what the list showed; they win over the details should they differ.
  job.verdict.tolerance = select.real(9);
  job.verdict.withinTolerance = select.integer(10) != 0;
  return job;
}

std::int64_t SqliteJobStore::putJob(const StoredJob& given) {
  const StoredJob job = withMachineAndUid(given, options_.machine);
  Transaction transaction(*this, "copie d'un travail");
  Statement find(*this, "SELECT id FROM jobs WHERE uid = ?", "copie d'un travail");
  find.bind(1, asUtf8(job.uid));
  std::int64_t id;
  if (find.step()) {
    id = find.integer(0);
    rewriteJob(id, job, job.status, false);
  } else {
    id = insertJob(job, job.status);
  }
  transaction.commit();
  return id;
}

std::vector<std::int64_t> SqliteJobStore::waitingJobs() {
  Statement select(*this, "SELECT id FROM jobs WHERE waiting = 1 ORDER BY id", "lecture des travaux à envoyer");
  std::vector<std::int64_t> ids;
  while (select.step()) ids.push_back(select.integer(0));
  return ids;
}

void SqliteJobStore::markCopied(std::int64_t id) {
  Statement(*this, "UPDATE jobs SET waiting = 0 WHERE id = ?", "écriture d'un travail").bind(1, id).step();
}

}  // namespace chromaflow
