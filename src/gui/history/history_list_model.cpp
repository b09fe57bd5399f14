#include "gui/history/history_list_model.h"

#include <QColor>
#include <QDateTime>

#include "core/common/display_forms.h"

namespace chromaflow {
namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

// "03/05/2024 14:12", local time.
QString dateText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

bool rightAligned(int column) {
  return column == HistoryListModel::ColArea || column == HistoryListModel::ColLitresP1 ||
         column == HistoryListModel::ColLitresP2 || column == HistoryListModel::ColAlarms;
}

// The texts compared as the operator reads them: case aside, accents kept.
int compareTexts(const std::string& a, const std::string& b) {
  return QString::compare(text(a), text(b), Qt::CaseInsensitive);
}

}  // namespace

void HistoryListModel::setJobs(std::vector<JobSummary> jobs) {
  beginResetModel();
  jobs_ = std::move(jobs);
  endResetModel();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(jobs_.size());
}

int HistoryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const JobSummary& job = this->job(index.row());
  const int column = index.column();
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (rightAligned(column) ? Qt::AlignRight : Qt::AlignLeft));
  if (role == Qt::ForegroundRole) {
    if (column == ColVerdict && job.status == JobStatus::Finished)
      return job.withinTolerance ? QColor(0, 110, 0) : QColor(190, 0, 0);
    if (column == ColState && job.status != JobStatus::Finished) return QColor(160, 90, 0);
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (column) {
    case ColDate: return dateText(job.startedMs);
    case ColMachine: return text(job.machine);
    case ColProject: return text(job.projectName);
    case ColText: return text(job.userText);
    case ColArea: return text(F1(job.figures.areaPainted));
    case ColLitresP1: return text(F2(job.figures.litresP1));
    case ColLitresP2: return text(F2(job.figures.litresP2));
    case ColAlarms: return QString::number(job.figures.alarms);
    case ColState: return QString::fromUtf8(statusText(job.status));
    case ColVerdict: return text(job.verdictText);
    default: return {};
  }
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  static const char* const headings[Columns] = {"Date",   "Machine", "Projet",  "Texte", "m²", "Litres P1",
                                                "Litres P2", "Alarmes", "État", "Verdict"};
  return section >= 0 && section < Columns ? QString::fromUtf8(headings[section]) : QVariant();
}

bool HistorySorter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const auto& model = static_cast<const HistoryListModel&>(*sourceModel());
  const JobSummary& a = model.job(left.row());
  const JobSummary& b = model.job(right.row());
  switch (left.column()) {
    case HistoryListModel::ColDate: return a.startedMs < b.startedMs;
    case HistoryListModel::ColMachine: return compareTexts(a.machine, b.machine) < 0;
    case HistoryListModel::ColProject: return compareTexts(a.projectName, b.projectName) < 0;
    case HistoryListModel::ColText: return compareTexts(a.userText, b.userText) < 0;
    case HistoryListModel::ColArea: return a.figures.areaPainted < b.figures.areaPainted;
    case HistoryListModel::ColLitresP1: return a.figures.litresP1 < b.figures.litresP1;
    case HistoryListModel::ColLitresP2: return a.figures.litresP2 < b.figures.litresP2;
    case HistoryListModel::ColAlarms: return a.figures.alarms < b.figures.alarms;
    case HistoryListModel::ColState: return static_cast<int>(a.status) < static_cast<int>(b.status);
    case HistoryListModel::ColVerdict: return compareTexts(a.verdictText, b.verdictText) < 0;
    default: return false;
  }
}

}  // namespace chromaflow
