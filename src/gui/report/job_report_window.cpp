#include "gui/report/job_report_window.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QFont>
#include <QHeaderView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/common/document_name.h"
#include "core/common/text_file.h"
#include "core/control/job_record.h"
#include "core/control/job_record_csv.h"
#include "core/session/session.h"
#include "gui/drawing/job_sheet.h"
#include "gui/report/proportion_lines.h"
#include "ui_job_report_window.h"

namespace chromaflow {
namespace {

enum SurfaceColumn {
  ColSurface,
  ColFromTo,
  ColDistance,
  ColArea,
  ColAskedP1,
  ColDeliveredP1,
  ColAskedP2,
  ColDeliveredP2,
  ColAskedPct,
  ColLaidPct,
  ColCorrection,
  SurfaceColumns
};
enum AlarmColumn { ColAlarm, ColTime, ColWhere, ColDuration, ColRaisings, AlarmColumns };

// Where the alarm marks stand on the chart: a strip above the 100 % line, as on the job sheet.
constexpr double kAlarmStrip = 106;
constexpr double kProportionAxisTop = 112;
// The surface grid grows with the plan up to this many rows before it scrolls; on a small screen
// it shows this many at least.
constexpr int kSurfaceRowsShown = 12;
constexpr int kSurfaceRowsAtLeast = 3;
// The chart's height when the window opens, if the screen has the room.
constexpr int kChartHeightWanted = 260;

// One colour per alarm, the same on the chart and in the alarm grid.
QColor alarmColour(Alarm alarm) {
  static const QColor colours[kAlarmCount] = {
      QColor(230, 140, 0), QColor(150, 95, 0),  QColor(220, 0, 140), QColor(130, 0, 200),
      QColor(0, 160, 160), QColor(90, 90, 90), QColor(230, 0, 0),   QColor(120, 0, 0)};
  return colours[static_cast<int>(alarm)];
}

QString number(double value, int decimals = 2) { return QString::number(value, 'f', decimals); }

// A proportion of the record; empty where nothing was pumped.
QString proportionText(double proportion) { return proportion < 0 ? QString() : number(proportion, 1); }

// "1:05" or "1:02:05" from milliseconds since the run started.
QString clockText(std::int64_t milliseconds) {
  const std::int64_t seconds = milliseconds / 1000;
  const QString minutesSeconds =
      QStringLiteral("%1:%2").arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
  return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(minutesSeconds, 5, QLatin1Char('0'))
                         : minutesSeconds;
}

void setCell(QTableWidget& grid, int row, int column, const QString& text, bool rightAligned = true) {
  QTableWidgetItem* item = grid.item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setTextAlignment(rightAligned ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    grid.setItem(row, column, item);
  }
  if (item->text() != text) item->setText(text);
}

// A round step for about eight ticks over `length` metres: 0.5, 1, 2, 5, 10...
double tickStep(double length) {
  const double rough = length / 8;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double factor : {1.0, 2.0, 2.5, 5.0})
    if (power * factor >= rough) return power * factor;
  return power * 10;
}

void setHeadings(QTableWidget& grid, const QStringList& headings) {
  grid.setColumnCount(static_cast<int>(headings.size()));
  grid.setHorizontalHeaderLabels(headings);
  grid.horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid.setFocusPolicy(Qt::NoFocus);
}

}  // namespace

JobReportWindow::JobReportWindow(Session& session, TimerSource& timers, QWidget* parent, Shows shows)
    : QDialog(parent),
      session_(session),
      shows_(shows),
      ui_(std::make_unique<Ui::FRapportChantier>()),
      refreshTimer_(timers.makeTimer(kRefreshMilliseconds, false, [this] {
        refreshTimer_.setEnabled(false);
        refresh();
      })) {
  ui_->setupUi(this);
  setModal(false);

  setHeadings(*ui_->GridSurfaces,
              {QStringLiteral("Surface"), QStringLiteral("De - à\nm"), QStringLiteral("Peint\nm"),
               QStringLiteral("Peint\nm2"), QStringLiteral("P1 demandé\nlitres"), QStringLiteral("P1 livré\nlitres"),
               QStringLiteral("P2 demandé\nlitres"), QStringLiteral("P2 livré\nlitres"),
               QStringLiteral("Proportion\ndemandée %"), QStringLiteral("Proportion\nposée %"),
               QStringLiteral("Correction\nmoyenne %")});
  ui_->GridSurfaces->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  ui_->GridSurfaces->horizontalHeader()->setSectionResizeMode(ColSurface, QHeaderView::ResizeToContents);
  ui_->GridSurfaces->horizontalHeader()->setSectionResizeMode(ColFromTo, QHeaderView::ResizeToContents);
  setHeadings(*ui_->GridAlarmes, {QStringLiteral("Indicateur"), QStringLiteral("Heure"), QStringLiteral("Distance m"),
                                  QStringLiteral("Durée"), QStringLiteral("Fois")});
  // The alarm's name takes the room; the figures keep a width that holds them, set once, so that
  // a long list is not measured again at every refresh.
  QHeaderView& alarmHeader = *ui_->GridAlarmes->horizontalHeader();
  alarmHeader.setStretchLastSection(false);
  alarmHeader.setSectionResizeMode(ColAlarm, QHeaderView::Stretch);
  const int figureWidth = fontMetrics().horizontalAdvance(QStringLiteral("000.0 s (en cours)")) + 16;
  for (int column = ColTime; column < AlarmColumns; ++column)
    ui_->GridAlarmes->setColumnWidth(column, column == ColDuration ? figureWidth : figureWidth * 2 / 3);
  for (QTableWidget* grid : {ui_->GridSurfaces, ui_->GridAlarmes})
    grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  ui_->SplitterRapport->setStretchFactor(0, 0);
  ui_->SplitterRapport->setStretchFactor(1, 1);
  ui_->SplitterRapport->setStretchFactor(2, 0);
  makeChart();

  // The tolerance lives in the session, so that the job sheet judges as the window shows; a new
  // one judges the record again at once.
  // A kept job is judged at the window's own tolerance: looking at an old job leaves the one
  // painted now as the operator set it.
  ui_->SpinTolerance->setValue(static_cast<int>(std::lround(session_.verdictTolerance())));
  keptTolerance_ = session_.verdictTolerance();
  connect(ui_->SpinTolerance, &QSpinBox::valueChanged, this, [this](int points) {
    if (shows_ == Shows::KeptJob)
      keptTolerance_ = points;
    else
      session_.setVerdictTolerance(points);
    showVerdict();
  });
  connect(ui_->ButExportCsv, &QPushButton::clicked, this, &JobReportWindow::exportCsv);
  connect(ui_->ButExportPdf, &QPushButton::clicked, this, &JobReportWindow::exportPdf);
  connect(ui_->ButFermer, &QPushButton::clicked, this, &QDialog::close);

  // Every tick of a run changes the record: while shown, the window catches up a few times a
  // second; hidden, it only notes that it is behind.
  if (shows_ == Shows::SessionsJob) changed_ = session_.changed.subscribe([this](Change) { recordChanged(); });
}

JobReportWindow::~JobReportWindow() { refreshTimer_.setEnabled(false); }

void JobReportWindow::showKeptJob(StoredJob job) {
  kept_ = std::move(job);
  keptTolerance_ = session_.verdictTolerance();
  // Another job's alarms: the grid is written anew.
  alarmRowsShown_ = 0;
  recordMillisecondsShown_ = -1;
  ui_->GridAlarmes->setRowCount(0);
  setWindowTitle(QStringLiteral("Rapport de chantier — %1, %2, %3")
                     .arg(QString::fromStdString(kept_->projectName), QString::fromStdString(kept_->machine),
                          QDateTime::fromMSecsSinceEpoch(kept_->startedMs).toString(QStringLiteral("dd/MM/yyyy HH:mm"))));
  refresh();
}

const JobRecord& JobReportWindow::record() const {
  static const JobRecord none;
  if (shows_ == Shows::SessionsJob) return session_.jobRecord();
  return kept_ ? kept_->record : none;
}

double JobReportWindow::tolerance() const {
  return shows_ == Shows::KeptJob ? keptTolerance_ : session_.verdictTolerance();
}

// A kept job is judged here, on the window's thread, at each showing and each change of the
// tolerance: its record holds JobRecord::kProfileBins bins of profile at most (the reader refuses
// more), judged in some 20 µs (1 ms for the widest windows such a record could hold), within a
// frame.
JobVerdict JobReportWindow::verdict() const {
  return shows_ == Shows::KeptJob ? judgeJob(record(), keptTolerance_) : session_.jobVerdict();
}

void JobReportWindow::makeChart() {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("Proportion demandée et posée le long du parcours"));
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->setMargins(QMargins(4, 4, 4, 4));
  ui_->ChartRapport->setChart(chart);
  ui_->ChartRapport->setRenderHint(QPainter::Antialiasing);

  distanceAxis_ = new QValueAxis;
  distanceAxis_->setTitleText(QStringLiteral("Distance le long du parcours (m)"));
  distanceAxis_->setLabelFormat(QStringLiteral("%.1f"));
  distanceAxis_->setRange(0, 1);
  distanceAxis_->setTickType(QValueAxis::TicksDynamic);
  distanceAxis_->setTickAnchor(0);
  distanceAxis_->setTickInterval(tickStep(1));
  chart->addAxis(distanceAxis_, Qt::AlignBottom);
  // As on the main window's chart and the job sheet: 0 % at the bottom, 100 % at the top; the
  // alarms in a strip above.
  auto* proportionAxis = proportionAxis_ = new QValueAxis;
  proportionAxis->setObjectName(QStringLiteral("AxeProportion"));
  proportionAxis->setTitleText(QStringLiteral("Proportion %"));
  proportionAxis->setRange(0, kProportionAxisTop);
  proportionAxis->setTickType(QValueAxis::TicksDynamic);
  proportionAxis->setTickAnchor(0);
  proportionAxis->setTickInterval(20);
  proportionAxis->setLabelFormat(QStringLiteral("%.0f"));
  chart->addAxis(proportionAxis, Qt::AlignLeft);

  auto line = [&](const QString& name, const QColor& colour, Qt::PenStyle style) {
    auto* series = new QLineSeries;
    series->setName(name);
    QPen pen(colour, 2, style);
    series->setPen(pen);
    chart->addSeries(series);
    series->attachAxis(distanceAxis_);
    series->attachAxis(proportionAxis);
    return series;
  };
  asked_ = line(QStringLiteral("Demandée"), QColor(0, 0, 128), Qt::DashLine);
  laid_ = line(QStringLiteral("Posée"), QColor(0, 150, 0), Qt::SolidLine);

  for (int i = 0; i < kAlarmCount; ++i) {
    const Alarm alarm = static_cast<Alarm>(i);
    auto* marks = new QScatterSeries;
    const std::string caption = alarmCaption(alarm);
    const std::string prefix = "Alarme: ";
    marks->setName(QString::fromStdString(caption.rfind(prefix, 0) == 0 ? caption.substr(prefix.size()) : caption));
    marks->setColor(alarmColour(alarm));
    marks->setBorderColor(alarmColour(alarm));
    marks->setMarkerSize(10);
    const bool stop = alarm == Alarm::P1Stop || alarm == Alarm::P2Stop;
    marks->setMarkerShape(stop ? QScatterSeries::MarkerShapeRectangle : QScatterSeries::MarkerShapeCircle);
    chart->addSeries(marks);
    marks->attachAxis(distanceAxis_);
    marks->attachAxis(proportionAxis);
    marks->setVisible(false);
    alarmMarks_[i] = marks;
  }
}

void JobReportWindow::recordChanged() {
  stale_ = true;
  if (isVisible() && !refreshTimer_.isEnabled()) refreshTimer_.setEnabled(true);
}

void JobReportWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (stale_) refresh();
  // Once the grids' new heights are laid out.
  QMetaObject::invokeMethod(this, &JobReportWindow::keepTheChartReadable, Qt::QueuedConnection);
}

// On a small screen the chart keeps a readable height: the indicators, then the surface grid,
// give up rows for it, down to a few each; they scroll.
void JobReportWindow::keepTheChartReadable() {
  QSplitter& splitter = *ui_->SplitterRapport;
  QList<int> sizes = splitter.sizes();
  if (sizes.size() != 3 || sizes[1] >= kChartHeightWanted) return;
  int missing = kChartHeightWanted - sizes[1];
  const int fromAlarms = std::clamp(sizes[2] - ui_->PanelAlarmes->minimumSizeHint().height(), 0, missing);
  missing -= fromAlarms;
  const int fromGrid = std::clamp(sizes[0] - ui_->GridSurfaces->minimumHeight(), 0, missing);
  sizes[0] -= fromGrid;
  sizes[1] += fromAlarms + fromGrid;
  sizes[2] -= fromAlarms;
  splitter.setSizes(sizes);
}

void JobReportWindow::refresh() {
  stale_ = false;
  showVerdict();
  showState();
  showSurfaces();
  showChart();
  showAlarms();
}

void JobReportWindow::showVerdict() {
  const JobVerdict verdict = this->verdict();
  ui_->LVerdict->setText(QString::fromStdString(verdictText(verdict)));
  const QColor colour = !verdict.enoughToJudge ? QColor(60, 60, 60)
                        : verdict.withinTolerance ? QColor(0, 110, 0)
                                                  : QColor(190, 0, 0);
  ui_->LVerdict->setStyleSheet(QStringLiteral("color: %1").arg(colour.name()));
  if (static_cast<double>(ui_->SpinTolerance->value()) != tolerance()) {
    const QSignalBlocker quiet(ui_->SpinTolerance);
    ui_->SpinTolerance->setValue(static_cast<int>(std::lround(tolerance())));
  }
  ui_->SpinTolerance->setSuffix(ui_->SpinTolerance->value() < 2 ? QStringLiteral(" point") : QStringLiteral(" points"));
  showOutOfTolerance(verdict);
}

void JobReportWindow::showOutOfTolerance(const JobVerdict& verdict) {
  if (verdict.stretches == stretchesShown_) return;
  stretchesShown_ = verdict.stretches;
  QChart& chart = *ui_->ChartRapport->chart();
  for (QAreaSeries* band : outOfTolerance_) {
    chart.removeSeries(band);
    delete band;
  }
  outOfTolerance_.clear();
  // A band from 0 to 100 % behind the lines over each stretch; the first one alone in the legend.
  for (const OutOfTolerance& stretch : stretchesShown_) {
    auto* top = new QLineSeries;
    top->append({{stretch.from, 100}, {stretch.to, 100}});
    auto* bottom = new QLineSeries;
    bottom->append({{stretch.from, 0}, {stretch.to, 0}});
    auto* band = new QAreaSeries(top, bottom);
    top->setParent(band);
    bottom->setParent(band);
    band->setName(QStringLiteral("Hors tolérance"));
    band->setColor(QColor(230, 0, 0, 45));
    band->setBorderColor(QColor(230, 0, 0, 0));
    chart.addSeries(band);
    band->attachAxis(distanceAxis_);
    band->attachAxis(proportionAxis_);
    const QList<QLegendMarker*> markers = chart.legend()->markers(band);
    for (QLegendMarker* marker : markers) marker->setVisible(outOfTolerance_.empty());
    outOfTolerance_.push_back(band);
  }
}

void JobReportWindow::showState() {
  const JobRecord& record = this->record();
  const RecordedStretch total = record.totals();
  const double delivered = total.deliveredP1 + total.deliveredP2 + record.beyondEnd().deliveredP1 +
                           record.beyondEnd().deliveredP2;
  if (!record.started() || (delivered <= 0 && total.distancePainted <= 0)) {
    ui_->LEtat->setText(QStringLiteral("Rien n'a encore été peint depuis le départ (->|<-)."));
    return;
  }
  ui_->LEtat->setText(QStringLiteral("Depuis le départ (->|<-) : %1 ;  %2 m peints sur %3 m ;  %4 m2 ;  "
                                     "%5 litres livrés par les pompes")
                          .arg(clockText(record.milliseconds()), number(total.distancePainted),
                               number(total.to - total.from), number(total.areaPainted), number(delivered)));
}

void JobReportWindow::showSurfaces() {
  const JobRecord& record = this->record();
  QTableWidget& grid = *ui_->GridSurfaces;
  const int surfaces = static_cast<int>(record.surfaces().size());
  const int hoseRow = surfaces, totalRow = surfaces + 1;
  if (grid.rowCount() != surfaces + 2) {
    grid.clearContents();
    grid.setRowCount(surfaces + 2);
    // The whole plan in sight when it is not too long and the screen has the room; the chart
    // takes the rest of the height. On a small screen the grid gives up rows down to a few, and
    // scrolls.
    const auto heightOf = [&grid](int rows) {
      return grid.horizontalHeader()->sizeHint().height() + rows * grid.verticalHeader()->defaultSectionSize() +
             2 * grid.frameWidth();
    };
    const int wanted = heightOf(std::min(grid.rowCount(), kSurfaceRowsShown));
    grid.setMinimumHeight(heightOf(std::min(grid.rowCount(), kSurfaceRowsAtLeast)));
    grid.setMaximumHeight(grid.rowCount() <= kSurfaceRowsShown ? wanted : QWIDGETSIZE_MAX);
    // The height the grid gives up or takes goes to or comes from the chart, which keeps its own
    // least height.
    QList<int> sizes = ui_->SplitterRapport->sizes();
    const int chartLeast = ui_->ChartRapport->minimumHeight();
    const int room = sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] - chartLeast : wanted;
    const int gridHeight = std::clamp(wanted, grid.minimumHeight(), std::max(grid.minimumHeight(), room));
    sizes[1] += sizes[0] - gridHeight;
    sizes[0] = gridHeight;
    ui_->SplitterRapport->setSizes(sizes);
    QFont bold = grid.font();
    bold.setBold(true);
    for (int column = 0; column < SurfaceColumns; ++column) {
      setCell(grid, totalRow, column, {});
      grid.item(totalRow, column)->setFont(bold);
    }
  }
  auto showRow = [&](int row, const QString& name, const QString& stretch, const RecordedStretch& s, bool painted) {
    setCell(grid, row, ColSurface, name, false);
    setCell(grid, row, ColFromTo, stretch);
    setCell(grid, row, ColDistance, painted ? number(s.distancePainted) : QString());
    setCell(grid, row, ColArea, painted ? number(s.areaPainted) : QString());
    setCell(grid, row, ColAskedP1, painted ? number(s.askedP1) : QString());
    setCell(grid, row, ColDeliveredP1, number(s.deliveredP1));
    setCell(grid, row, ColAskedP2, painted ? number(s.askedP2) : QString());
    setCell(grid, row, ColDeliveredP2, number(s.deliveredP2));
    setCell(grid, row, ColAskedPct, painted ? proportionText(s.askedProportion()) : QString());
    setCell(grid, row, ColLaidPct, proportionText(s.laidProportion()));
    setCell(grid, row, ColCorrection, s.correctionTicks ? number(s.meanCorrection()) : QString());
  };
  for (int i = 0; i < surfaces; ++i) {
    const RecordedStretch& s = record.surfaces()[static_cast<std::size_t>(i)];
    showRow(i, QString::number(i + 1), number(s.from) + QStringLiteral(" - ") + number(s.to), s, true);
  }
  // The paint pumped for beyond the path's end was asked by no surface: it stays in the hose.
  showRow(hoseRow, QStringLiteral("Reste dans le tuyau"), QString(), record.beyondEnd(), false);
  // The surfaces together, as the plan asked them: the hose's leftover is the row above.
  const RecordedStretch total = record.totals();
  showRow(totalRow, QStringLiteral("Total des surfaces"), number(total.from) + QStringLiteral(" - ") + number(total.to),
          total, true);
}

void JobReportWindow::showChart() {
  const JobRecord& record = this->record();
  const ProportionLines lines = proportionLines(record);
  asked_->replace(lines.asked);
  laid_->replace(lines.laid);
  const double length = record.profile().empty() ? 0.0 : record.profile().back().to;
  distanceAxis_->setRange(0, length > 0 ? length : 1);
  distanceAxis_->setTickInterval(tickStep(length > 0 ? length : 1));

  std::array<QList<QPointF>, kAlarmCount> marks;
  for (const RecordedAlarm& a : record.alarms())
    marks[static_cast<int>(a.alarm)].append({a.startDistance, kAlarmStrip});
  for (int i = 0; i < kAlarmCount; ++i) {
    alarmMarks_[i]->replace(marks[i]);
    // Only the alarms that were raised take a place in the legend.
    alarmMarks_[i]->setVisible(!marks[i].isEmpty());
  }
}

void JobReportWindow::showAlarms() {
  const JobRecord& record = this->record();
  const auto& alarms = record.alarms();
  QTableWidget& grid = *ui_->GridAlarmes;
  // Rows already shown stay as they are but for each alarm's last entry, which may still stand
  // or be raised again; a record started again is shown anew.
  std::size_t first = alarmRowsShown_;
  if (record.milliseconds() < recordMillisecondsShown_ || alarms.size() < alarmRowsShown_) first = 0;
  std::array<bool, kAlarmCount> seen{};
  int kindsSeen = 0;
  for (std::size_t i = std::min(alarms.size(), first); i-- > 0 && kindsSeen < kAlarmCount;) {
    const int kind = static_cast<int>(alarms[i].alarm);
    if (seen[kind]) continue;
    seen[kind] = true;
    ++kindsSeen;
    first = i;
  }
  // The newest alarm stays in sight while the operator has not scrolled back to older ones.
  QScrollBar& scroll = *grid.verticalScrollBar();
  const bool following = scroll.value() == scroll.maximum();
  grid.setRowCount(static_cast<int>(alarms.size()));
  for (std::size_t i = first; i < alarms.size(); ++i) {
    const RecordedAlarm& a = alarms[i];
    const int row = static_cast<int>(i);
    setCell(grid, row, ColAlarm, QString::fromUtf8(alarmCaption(a.alarm)), false);
    grid.item(row, ColAlarm)->setForeground(alarmColour(a.alarm));
    setCell(grid, row, ColTime, clockText(a.startMilliseconds));
    setCell(grid, row, ColWhere, number(a.startDistance));
    const QString duration = number(static_cast<double>(a.durationMilliseconds) / 1000, 1) + QStringLiteral(" s");
    setCell(grid, row, ColDuration, a.standing ? duration + QStringLiteral(" (en cours)") : duration);
    setCell(grid, row, ColRaisings, QString::number(a.raisings));
  }
  if (following && alarms.size() > alarmRowsShown_) grid.scrollToBottom();
  alarmRowsShown_ = alarms.size();
  recordMillisecondsShown_ = record.milliseconds();

  QString heading = QStringLiteral("Indicateurs de la correction (seuils fins) : ") +
                    (alarms.empty() ? QStringLiteral("aucun") : QString::number(alarms.size()));
  if (record.alarmsNotKept() > 0)
    heading += QStringLiteral(" (et %1 de plus, non gardés)").arg(record.alarmsNotKept());
  if (const auto lost = record.pulsesLost())
    heading += QStringLiteral(" — impulsions perdues par le comptage : %1").arg(static_cast<qulonglong>(*lost));
  ui_->LAlarmes->setText(heading);
}

void JobReportWindow::exportCsv() {
  exportAs(DocumentKind::RecordCsv, ".csv", [this](const std::string& name) { writeJobRecordCsv(record(), name); });
}

void JobReportWindow::exportPdf() {
  exportAs(DocumentKind::JobSheet, ".pdf", [this](const std::string& name) {
    if (shows_ == Shows::SessionsJob) return writeJobSheet(session_, name);
    if (!kept_) return;
    writeJobSheet(kept_->record, verdict(), keptJobSheetText(*kept_), nullptr, name);
  });
}

// The name asked beside the project's, then the file written; a failure is shown, not thrown.
void JobReportWindow::exportAs(DocumentKind kind, const char* extension,
                               const std::function<void(const std::string&)>& write) {
  Asker* asker = session_.asker();
  if (!asker) return;
  // A kept job's file is named for its project and its start.
  const std::string suggested =
      shows_ == Shows::SessionsJob
          ? session_.project().name().current()
          : (kept_ ? kept_->projectName + QDateTime::fromMSecsSinceEpoch(kept_->startedMs)
                                              .toString(QStringLiteral(" yyyy-MM-dd HHmm"))
                                              .toStdString()
                   : std::string());
  const auto name = asker->askSaveName(kind, withExtension(suggested, extension));
  if (!name) return;
  try {
    write(*name);
  } catch (const FileError& error) {
    asker->showError(error.what());
  }
}

}  // namespace chromaflow
