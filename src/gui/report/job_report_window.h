#pragma once
// FRapportChantier, "Rapport de chantier": what was laid since the operator last started from the
// beginning of the path ("->|<-"). At its head the job's verdict, whether the proportion laid
// stayed within the tolerance the operator sets beside it, and where not; then surface by surface
// what was laid against what the plan asked; the proportion asked and laid along the path with
// the stretches out of tolerance shaded and the correction's indicators where they were raised;
// last the indicators with when, where and how long. Not modal: the operator keeps it open beside the main window
// while painting. Created once at start, it follows the session's job record while shown, a few
// times a second at most, so that the reading cycle stays fast.
//
// The same window shows a job kept in the history (JobReportWindow::Shows::KeptJob): its record
// as it was kept, judged at the window's own tolerance (the session's when the job is opened),
// its title naming the project, the machine and the date; its exports write that job.

#include <QDialog>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/document_name.h"
#include "core/common/signal.h"
#include "core/control/figures.h"
#include "core/control/job_verdict.h"
#include "core/history/stored_job.h"

class QAreaSeries;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace Ui {
class FRapportChantier;
}

namespace chromaflow {

class Session;
class Timer;
class TimerSource;

class JobReportWindow : public QDialog {
 public:
  enum class Shows { SessionsJob, KeptJob };

  // The refresh is paced by a timer made from `timers` (the program's clock).
  JobReportWindow(Session& session, TimerSource& timers, QWidget* parent = nullptr,
                  Shows shows = Shows::SessionsJob);
  ~JobReportWindow() override;

  // A kept job's window: shows this job from now on.
  void showKeptJob(StoredJob job);
  const std::optional<StoredJob>& keptJob() const { return kept_; }

  // The time between two refreshes while the record keeps changing.
  static constexpr int kRefreshMilliseconds = 250;

  // Shows the record as it stands now.
  void refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const JobRecord& record() const;
  JobVerdict verdict() const;
  double tolerance() const;
  void makeChart();
  void keepTheChartReadable();
  void recordChanged();
  void showVerdict();
  void showState();
  void showSurfaces();
  void showChart();
  void showOutOfTolerance(const JobVerdict& verdict);
  void showAlarms();
  void exportCsv();
  void exportPdf();
  void exportAs(DocumentKind kind, const char* extension, const std::function<void(const std::string&)>& write);

  Session& session_;
  const Shows shows_;
  std::optional<StoredJob> kept_;
  double keptTolerance_ = JobVerdict::kDefaultTolerance;
  std::unique_ptr<Ui::FRapportChantier> ui_;
  Timer& refreshTimer_;
  bool stale_ = true;
  QValueAxis* distanceAxis_ = nullptr;
  QLineSeries* asked_ = nullptr;
  QLineSeries* laid_ = nullptr;
  std::array<QScatterSeries*, kAlarmCount> alarmMarks_{};
  QValueAxis* proportionAxis_ = nullptr;
  // One shaded band per stretch out of tolerance, as the verdict last found them.
  std::vector<QAreaSeries*> outOfTolerance_;
  std::vector<OutOfTolerance> stretchesShown_;
  // What the alarm grid shows, so that a refresh rewrites only the rows that can have moved.
  std::size_t alarmRowsShown_ = 0;
  std::int64_t recordMillisecondsShown_ = -1;
  // Last, so that the window stops listening before its widgets go.
  Subscription changed_;
};

}  // namespace chromaflow
