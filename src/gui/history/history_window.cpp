#include "gui/history/history_window.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>

#include <mutex>

#include "core/control/timer.h"
#include "core/session/session.h"
#include "gui/history/history_list_model.h"
#include "gui/history/job_comparison_window.h"
#include "gui/report/job_report_window.h"
#include "ui_history_window.h"

namespace chromaflow {

// The window as the reader's thread may reach it: the answer is posted to the window while it
// stands, never after its destructor has begun.
struct HistoryWindow::Alive {
  std::mutex mutex;
  HistoryWindow* window;

  // Runs `show(window)` on the window's thread, if the window is still there then: an event
  // posted to a window is dropped with it.
  template <typename Show>
  static void post(const std::shared_ptr<Alive>& alive, Show show) {
    std::lock_guard lock(alive->mutex);
    if (HistoryWindow* window = alive->window)
      QMetaObject::invokeMethod(
          window, [window, show = std::move(show)]() mutable { show(*window); }, Qt::QueuedConnection);
  }
};

HistoryWindow::HistoryWindow(HistoryReading* reading, Session& session, TimerSource& timers, QWidget* parent)
    : QDialog(parent),
      reading_(reading),
      ui_(std::make_unique<Ui::FHistorique>()),
      model_(new HistoryListModel(this)),
      sorter_(new HistorySorter(this)),
      report_(new JobReportWindow(session, timers, this, JobReportWindow::Shows::KeptJob)),
      comparison_(new JobComparisonWindow(this)),
      searchPause_(timers.makeTimer(kSearchPauseMilliseconds, false, [this] {
        searchPause_.setEnabled(false);
        refresh();
      })),
      alive_(std::make_shared<Alive>()) {
  alive_->window = this;
  ui_->setupUi(this);
  setModal(false);

  sorter_->setSourceModel(model_);
  QTableView& grid = *ui_->GridHistorique;
  grid.setModel(sorter_);
  grid.verticalHeader()->hide();
  grid.verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // Widths set once from the texts they hold at most, so that a long list is never measured.
  QHeaderView& header = *grid.horizontalHeader();
  const auto width = [this](const char* widest) {
    return fontMetrics().horizontalAdvance(QString::fromUtf8(widest)) + 24;
  };
  const char* const widest[HistoryListModel::Columns] = {
      "00/00/0000 00:00", "atelier-00", "Projet de chantier", "Texte du projet assez long", "00000.0",
      "Litres P1", "Litres P2", "Alarmes", "interrompu", ""};
  for (int column = 0; column < HistoryListModel::ColVerdict; ++column) grid.setColumnWidth(column, width(widest[column]));
  header.setStretchLastSection(true);
  header.setSortIndicator(HistoryListModel::ColDate, Qt::DescendingOrder);
  header.setDefaultAlignment(Qt::AlignCenter);

  ui_->DateDepuis->setDate(QDate::currentDate().addMonths(-1));
  connect(ui_->EditRecherche, &QLineEdit::textChanged, this, [this] {
    // A new key starts the pause again.
    searchPause_.setEnabled(false);
    searchPause_.setEnabled(true);
  });
  connect(ui_->CheckDepuis, &QCheckBox::toggled, this, [this](bool on) {
    ui_->DateDepuis->setEnabled(on);
    refresh();
  });
  connect(ui_->DateDepuis, &QDateEdit::dateChanged, this, [this] {
    if (ui_->CheckDepuis->isChecked()) refresh();
  });
  connect(ui_->ButActualiser, &QPushButton::clicked, this, &HistoryWindow::refresh);
  connect(ui_->ButOuvrir, &QPushButton::clicked, this, &HistoryWindow::open);
  connect(&grid, &QTableView::doubleClicked, this, &HistoryWindow::open);
  connect(ui_->ButComparer, &QPushButton::clicked, this, &HistoryWindow::compareSelected);
  connect(grid.selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::selectionChanged);
  connect(ui_->ButFermer, &QPushButton::clicked, this, &QDialog::close);
  selectionChanged();

  // A job that begins or ends while the list is shown appears in it, as it now stands.
  jobs_ = session.changed.subscribe([this](const Change& change) {
    if (change.has(Changed::Job) && isVisible()) refresh();
  });

  if (!reading_) {
    for (QWidget* widget : std::initializer_list<QWidget*>{ui_->EditRecherche, ui_->CheckDepuis, ui_->DateDepuis,
                                                           ui_->ButActualiser})
      widget->setEnabled(false);
    ui_->LEtatHistorique->setText(QStringLiteral("Aucun historique"));
  }
}

HistoryWindow::~HistoryWindow() {
  {
    std::lock_guard lock(alive_->mutex);
    alive_->window = nullptr;
  }
  searchPause_.setEnabled(false);
}

void HistoryWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Read each time the window is opened, not at the program's start: jobs begun or ended while it
  // was closed are in the list it opens with. While open, a job that begins or ends, or
  // "Actualiser", reads it again.
  if (!event->spontaneous()) refresh();
}

void HistoryWindow::refresh() {
  if (!reading_) return;
  searchPause_.setEnabled(false);
  std::optional<std::int64_t> since;
  if (ui_->CheckDepuis->isChecked()) since = QDateTime(ui_->DateDepuis->date(), QTime(0, 0)).toMSecsSinceEpoch();
  const int asked = ++listAsked_;
  ui_->LEtatHistorique->setStyleSheet({});
  ui_->LEtatHistorique->setText(QStringLiteral("Lecture de l'historique…"));
  reading_->list(since, ui_->EditRecherche->text().toStdString(), [alive = alive_, asked](HistoryReading::Listed listed) {
    Alive::post(alive, [asked, listed = std::move(listed)](HistoryWindow& window) mutable {
      if (asked == window.listAsked_) window.showList(std::move(listed));
    });
  });
}

void HistoryWindow::showList(HistoryReading::Listed listed) {
  const std::size_t count = listed.jobs.size();
  model_->setJobs(std::move(listed.jobs));
  QString line = count == 0   ? QStringLiteral("Aucun chantier")
                 : count == 1 ? QStringLiteral("1 chantier")
                              : QStringLiteral("%1 chantiers").arg(count);
  if (!listed.from.empty()) line += QStringLiteral(" — ") + QString::fromStdString(listed.from);
  if (!listed.error.empty()) {
    showTrouble(line + QStringLiteral("\n") + QString::fromStdString(listed.error));
  } else {
    ui_->LEtatHistorique->setStyleSheet({});
    ui_->LEtatHistorique->setText(line);
  }
  selectionChanged();
}

void HistoryWindow::showTrouble(const QString& text) {
  ui_->LEtatHistorique->setStyleSheet(QStringLiteral("color: #be0000"));
  ui_->LEtatHistorique->setText(text);
}

std::vector<std::int64_t> HistoryWindow::selectedIds() const {
  std::vector<std::int64_t> ids;
  const QModelIndexList rows = ui_->GridHistorique->selectionModel()->selectedRows();
  for (const QModelIndex& row : rows) ids.push_back(model_->job(sorter_->mapToSource(row).row()).id);
  return ids;
}

void HistoryWindow::selectionChanged() {
  const std::size_t selected = static_cast<std::size_t>(ui_->GridHistorique->selectionModel()->selectedRows().size());
  ui_->ButOuvrir->setEnabled(reading_ && selected >= 1);
  ui_->ButComparer->setEnabled(reading_ && selected == 2);
}

void HistoryWindow::open() {
  const QModelIndex current = ui_->GridHistorique->currentIndex();
  if (!reading_ || !current.isValid()) return;
  const std::int64_t id = model_->job(sorter_->mapToSource(current).row()).id;
  const int asked = ++loadAsked_;
  loading_.assign(1, std::nullopt);
  reading_->load(id, [alive = alive_, asked](HistoryReading::Loaded loaded) {
    Alive::post(alive, [asked, loaded = std::move(loaded)](HistoryWindow& window) mutable {
      window.showLoaded(asked, 0, std::move(loaded));
    });
  });
}

void HistoryWindow::compareSelected() {
  const std::vector<std::int64_t> ids = selectedIds();
  if (!reading_ || ids.size() != 2) return;
  const int asked = ++loadAsked_;
  loading_.assign(2, std::nullopt);
  for (std::size_t slot = 0; slot < 2; ++slot)
    reading_->load(ids[slot], [alive = alive_, asked, slot](HistoryReading::Loaded loaded) {
      Alive::post(alive, [asked, slot, loaded = std::move(loaded)](HistoryWindow& window) mutable {
        window.showLoaded(asked, slot, std::move(loaded));
      });
    });
}

void HistoryWindow::showLoaded(int request, std::size_t slot, HistoryReading::Loaded loaded) {
  // The operator has asked for another job since.
  if (request != loadAsked_ || slot >= loading_.size()) return;
  if (!loaded.job) {
    loading_.clear();
    showTrouble(QStringLiteral("Le chantier n'a pas pu être lu : ") + QString::fromStdString(loaded.error));
    return;
  }
  loading_[slot] = std::move(loaded.job);
  for (const auto& job : loading_)
    if (!job) return;
  QDialog* shown = report_;
  if (loading_.size() == 1) {
    report_->showKeptJob(std::move(*loading_[0]));
  } else {
    // The older job first.
    if (loading_[1]->startedMs < loading_[0]->startedMs) std::swap(loading_[0], loading_[1]);
    comparison_->compare(*loading_[0], *loading_[1]);
    shown = comparison_;
  }
  loading_.clear();
  shown->show();
  shown->raise();
  shown->activateWindow();
}

}  // namespace chromaflow
