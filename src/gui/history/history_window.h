#pragma once
// FHistorique, "Historique des chantiers": the jobs kept, newest first, sortable by any column,
// searched as the operator types and limited to those since a date; a job opens in a report
// window of its own, and two are compared on one chart. Not modal.
//
// The list and the jobs are read by a HistoryReading, whose answers come on its own thread: the
// window takes them back to its own, and one that comes after the window is gone is dropped.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/common/signal.h"
#include "core/history/job_history.h"

namespace Ui {
class FHistorique;
}

namespace chromaflow {

class HistoryListModel;
class HistorySorter;
class JobComparisonWindow;
class JobReportWindow;
class Session;
class Timer;
class TimerSource;

class HistoryWindow : public QDialog {
 public:
  // The search waits this long after the operator's last key before the list is read again.
  static constexpr int kSearchPauseMilliseconds = 300;

  // Without a `reading`, the window says there is no history.
  HistoryWindow(HistoryReading* reading, Session& session, TimerSource& timers, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Reads the list again with the search and date given.
  void refresh();
  // The list as it came, shown; what the reader's answer does on the window's thread.
  void showList(HistoryReading::Listed listed);

  HistoryListModel& model() { return *model_; }
  JobReportWindow& reportWindow() { return *report_; }
  JobComparisonWindow& comparisonWindow() { return *comparison_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Alive;

  std::vector<std::int64_t> selectedIds() const;
  void selectionChanged();
  void open();
  void compareSelected();
  void showLoaded(int request, std::size_t slot, HistoryReading::Loaded loaded);
  void showTrouble(const QString& text);

  HistoryReading* reading_;
  std::unique_ptr<Ui::FHistorique> ui_;
  HistoryListModel* model_;
  HistorySorter* sorter_;
  JobReportWindow* report_;
  JobComparisonWindow* comparison_;
  Timer& searchPause_;
  std::shared_ptr<Alive> alive_;
  int listAsked_ = 0;  // the newest list asked: an older answer is not shown
  // The jobs asked to be opened (one) or compared (two), as their answers come.
  int loadAsked_ = 0;
  std::vector<std::optional<StoredJob>> loading_;
  // Last, so that the window stops listening before its widgets go.
  Subscription jobs_;
};

}  // namespace chromaflow
