#pragma once
// What the three command-line tools share: reading "--option value" and "--option=value",
// numbers refused unless finite and within their range, --help and --version, a progress line
// on a terminal for runs that take a while, what an open met, and standard output checked before
// saying "done".

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#ifndef CHROMAFLOW_VERSION
#define CHROMAFLOW_VERSION "inconnue"
#endif

namespace chromaflow::tools {

// A command line the tool cannot run: the message, then the usage, status 2.
struct UsageError {
  std::string message;
};
// --help or --version: printed on standard output, status 0.
struct InformationAsked {
  std::string text;
};

// Standard output refused a write part-way through a run: said once, status 1.
struct StandardOutputFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Why what was printed on standard output did not all reach it (a full disk, a closed output),
// or nothing. Flushes both the C++ stream and the C one. A write that failed earlier leaves no
// reason behind: `earlier` is the errno value seen then, if any; without one it says only that
// the output is incomplete.
inline std::optional<std::string> standardOutputFailure(int earlier = 0) {
  errno = 0;
  std::cout.flush();
  int error = errno;
  if (std::fflush(stdout) != 0) error = errno;
  if (std::cout && std::ferror(stdout) == 0) return std::nullopt;
  if (error == 0) error = earlier;
  return std::string("écriture sur la sortie standard impossible : ") +
         (error != 0 ? std::strerror(error) : "une partie n'a pas été écrite");
}

// A tool's main: runs `body`; --help and --version go to standard output (status 0), a command
// line it cannot run to standard error with `usage` after it (status 2), any other failure to
// standard error (status 1). Whatever went to standard output must have reached it, or the run
// failed: a summary lost on a full disk is not a success.
template <typename Body>
int runTool(const char* tool, const std::string& usage, Body&& body) {
  int status = 1;
  try {
    status = body();
  } catch (const InformationAsked& information) {
    std::cout << information.text;
    status = 0;
  } catch (const UsageError& error) {
    std::cerr << tool << " : " << error.message << "\n\n" << usage;
    status = 2;
  } catch (const StandardOutputFailed& error) {
    std::cerr << tool << " : " << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << tool << " : " << error.what() << "\n";
    status = 1;
  }
  if (const auto failure = standardOutputFailure()) {
    std::cerr << tool << " : " << *failure << "\n";
    if (status == 0) status = 1;
  }
  return status;
}

inline std::string versionText(const char* tool) {
  return std::string(tool) + " (ChromaFlow) " + CHROMAFLOW_VERSION + "\n";
}

// --help (or -h) and --version anywhere on the line, looked for before anything else is done: a
// program with windows answers them without a display. Throws InformationAsked.
inline void answerInformation(int argc, char** argv, const char* tool, const std::string& help) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") throw InformationAsked{help};
    if (arg == "--version") throw InformationAsked{versionText(tool)};
  }
}

// Walks the arguments one at a time. A long option may carry its value after "=".
class ArgumentReader {
 public:
  ArgumentReader(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // Loads the next argument; false at the end.
  bool next() {
    if (++index_ >= argc_) return false;
    arg_ = argv_[index_];
    attached_.reset();
    if (arg_.rfind("--", 0) == 0) {
      if (const auto equals = arg_.find('='); equals != std::string::npos) {
        attached_ = arg_.substr(equals + 1);
        arg_.resize(equals);
      }
    }
    return true;
  }

  const std::string& name() const { return arg_; }
  // An option, as opposed to a file name; "-" alone names standard output.
  bool isOption() const { return arg_.size() > 1 && arg_[0] == '-'; }

  // The option's value: after "=", or the next argument.
  std::string value() {
    if (attached_) return *attached_;
    if (index_ + 1 >= argc_) throw UsageError{arg_ + " demande une valeur"};
    return argv_[++index_];
  }
  // An option that takes no value must not be given one.
  void noValue() const {
    if (attached_) throw UsageError{arg_ + " ne prend pas de valeur"};
  }

 private:
  int argc_;
  char** argv_;
  int index_ = 0;
  std::string arg_;
  std::optional<std::string> attached_;
};

// A number typed on the command line: the whole text, finite, and within [low, high] (low
// itself refused when `lowExcluded`). Refuses "nan", "inf" and 1e999 as well as "abc".
inline double boundedNumber(const std::string& text, const std::string& what, double low, double high,
                            bool lowExcluded = false) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool read = !text.empty() && error == std::errc() && end == text.data() + text.size();
  if (!read || !std::isfinite(value) || value > high || (lowExcluded ? value <= low : value < low)) {
    char range[96];
    std::snprintf(range, sizeof range, "%s %g et %g", lowExcluded ? "plus grand que" : "entre", low, high);
    std::string bound = range;
    if (lowExcluded) bound.replace(bound.find(" et "), 4, " et au plus ");
    throw UsageError{what + " : « " + text + " » n'est pas un nombre " + bound};
  }
  return value;
}

// A whole number typed on the command line, within [low, high]: "1.5" is refused rather than cut
// to 1, so that the program never runs with another figure than the one typed.
inline int boundedWholeNumber(const std::string& text, const std::string& what, int low, int high) {
  const double value = boundedNumber(text, what, low, high);
  if (value != std::floor(value))
    throw UsageError{what + " : « " + text + " » n'est pas un nombre entier entre " + std::to_string(low) + " et " +
                     std::to_string(high)};
  return static_cast<int>(value);
}

// What the open of a project met (files missing or unreadable, values refused, rows left out),
// on standard error as the program's message after an open says it; the run goes on with what
// was read, as the program does.
inline void showOpenReport(const std::string& report) {
  if (!report.empty()) std::cerr << report << '\n';
}

// A line on standard error, rewritten in place, once a run has taken more than a few seconds
// of wall time, and only when standard error is a terminal (never in a log or a pipe).
class Progress {
 public:
  explicit Progress(const char* tool) : tool_(tool), shown_(isatty(STDERR_FILENO) != 0) {}
  ~Progress() { finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Cheap enough for every tick: the clock is looked at one call in 512.
  template <typename Describe>
  void update(Describe&& describe) {
    if (!shown_ || (++calls_ & 511) != 0) return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::seconds(3) || now - last_ < std::chrono::milliseconds(500)) return;
    last_ = now;
    const std::string text = describe();
    std::fprintf(stderr, "\r%s : %s\033[K", tool_, text.c_str());
    std::fflush(stderr);
    written_ = true;
  }
  void finish() {
    if (written_) std::fputs("\r\033[K", stderr);
    written_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;
  const char* tool_;
  bool shown_;
  bool written_ = false;
  unsigned long calls_ = 0;
  Clock::time_point start_ = Clock::now(), last_ = start_;
};

}  // namespace chromaflow::tools
