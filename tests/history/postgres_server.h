#pragma once
// A throw-away PostgreSQL server of the test's own: a cluster made in a fresh folder, listening
// on a socket in that folder only (no network), stopped at once and removed when the test ends,
// whether it passed or not.
//
// PostgreSQL refuses to run as root, as the tests do here and in CI: the server's programs then
// run as the "postgres" user the server package makes (or "nobody"), which owns the folder.
// The programs are found in $CHROMAFLOW_PG_BIN, else in Debian's /usr/lib/postgresql/N/bin
// (the newest), else on the PATH.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace chromaflow::testing {

class PostgresServer {
 public:
  static constexpr int kPort = 5499;  // names the socket in the server's own folder only

  // With a `password`, the server asks it of every connection, as a firm's server does.
  explicit PostgresServer(const std::string& password = {}) {
    bin_ = binFolder();
    if (bin_.empty()) {
      problem_ = "no PostgreSQL server programs (initdb, pg_ctl) found: install the postgresql package";
      return;
    }
    char pattern[] = "/tmp/cfpg-XXXXXX";
    if (!::mkdtemp(pattern)) {
      problem_ = "no temporary folder";
      return;
    }
    folder_ = pattern;
    if (::getuid() == 0) {
      const passwd* user = ::getpwnam("postgres");
      if (!user) user = ::getpwnam("nobody");
      if (!user) {
        problem_ = "running as root with neither a postgres nor a nobody user to run the server as";
        return;
      }
      uid_ = user->pw_uid;
      gid_ = user->pw_gid;
      if (::chown(folder_.c_str(), uid_, gid_) != 0) {
        problem_ = "cannot give the server's folder to its user";
        return;
      }
    }
    std::vector<std::string> init = {bin_ + "/initdb", "-D", folder_ + "/data", "-A", "trust", "-U", "chromaflow",
                                     "-E", "UTF8", "--locale=C", "--no-sync", "--no-instructions"};
    if (!password.empty()) {
      const std::string file = folder_ + "/password";
      std::ofstream(file) << password << "\n";
      if (::getuid() == 0 && ::chown(file.c_str(), uid_, gid_) != 0) {
        problem_ = "cannot give the password's file to the server's user";
        return;
      }
      init[4] = "scram-sha-256";
      init.push_back("--pwfile=" + file);
    }
    if (!run(init)) {
      problem_ = "initdb failed: " + log();
      return;
    }
    if (!start()) problem_ = "the server did not start: " + log();
  }

  ~PostgresServer() {
    if (started_) stop();
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Why the server could not be had; empty when it runs.
  const std::string& problem() const { return problem_; }
  std::string connection(const std::string& base = "postgres") const {
    return "host=" + folder_ + " port=" + std::to_string(kPort) + " user=chromaflow dbname=" + base;
  }

  bool start() {
    started_ = run({bin_ + "/pg_ctl", "-D", folder_ + "/data", "-l", folder_ + "/server.log", "-w", "-o",
                    "-k " + folder_ + " -c listen_addresses='' -p " + std::to_string(kPort) +
                        " -c fsync=off -c full_page_writes=off",
                    "start"});
    return started_;
  }
  // At once, as a server that loses its power or its network.
  bool stop() {
    const bool stopped = run({bin_ + "/pg_ctl", "-D", folder_ + "/data", "-m", "immediate", "-w", "stop"});
    if (stopped) started_ = false;
    return stopped;
  }

 private:
  static std::string binFolder() {
    if (const char* given = std::getenv("CHROMAFLOW_PG_BIN"); given && *given) return given;
    std::string newest;
    int newestVersion = 0;
    std::error_code ignored;
    // Where Debian installs the server's programs: only looked in, and run from there.
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {  // test-paths: read only
      const int version = std::atoi(entry.path().filename().c_str());
      if (version > newestVersion && std::filesystem::exists(entry.path() / "bin/initdb")) {
        newestVersion = version;
        newest = (entry.path() / "bin").string();
      }
    }
    if (!newest.empty()) return newest;
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(path, folder, ':');)
      if (!folder.empty() && ::access((folder + "/initdb").c_str(), X_OK) == 0) return folder;
    return {};
  }

  // Runs a server program as the server's user, its output to the folder's log; true on success.
  bool run(const std::vector<std::string>& words) const {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
      const int out = ::open((folder_ + "/commands.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
      }
      // Nothing to read: a pipe whose writing end is closed.
      if (int input[2]; ::pipe(input) == 0) {
        ::close(input[1]);
        ::dup2(input[0], 0);
      }
      if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(uid_) != 0)) ::_exit(126);
      if (::chdir(folder_.c_str()) != 0) ::_exit(126);
      std::vector<char*> argv;
      for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::string log() const {
    std::ifstream in(folder_ + "/commands.log");
    std::stringstream text;
    text << in.rdbuf();
    std::ifstream server(folder_ + "/server.log");
    text << server.rdbuf();
    return text.str();
  }

  std::string bin_, folder_, problem_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool started_ = false;
};

}  // namespace chromaflow::testing
