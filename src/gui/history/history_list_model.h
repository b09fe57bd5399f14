#pragma once
// The list of kept jobs as the history window's grid reads it: one row per job summary, each
// cell's text written when it is painted, so that a hundred thousand jobs show at once. The
// sorter orders rows by the figures themselves (dates as dates, litres as numbers), never by
// their texts.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

#include "core/history/stored_job.h"

namespace chromaflow {

class HistoryListModel : public QAbstractTableModel {
 public:
  enum Column { ColDate, ColMachine, ColProject, ColText, ColArea, ColLitresP1, ColLitresP2, ColAlarms, ColState,
                ColVerdict, Columns };

  using QAbstractTableModel::QAbstractTableModel;

  // The list anew.
  void setJobs(std::vector<JobSummary> jobs);
  const std::vector<JobSummary>& jobs() const { return jobs_; }
  const JobSummary& job(int row) const { return jobs_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<JobSummary> jobs_;
};

// Sorts the model's rows by the column's figure; the texts by their letters, case aside.
class HistorySorter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

}  // namespace chromaflow
