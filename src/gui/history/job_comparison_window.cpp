#include "gui/history/job_comparison_window.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QValueAxis>

#include <algorithm>

#include "core/common/display_forms.h"
#include "gui/drawing/job_sheet_figures.h"
#include "gui/report/proportion_lines.h"
#include "ui_job_comparison_window.h"

namespace chromaflow {

QString jobCaption(const StoredJob& job) {
  return QString::fromStdString(job.projectName) + QStringLiteral(" — ") +
         QDateTime::fromMSecsSinceEpoch(job.startedMs).toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

JobComparisonWindow::JobComparisonWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FComparaison>()) {
  ui_->setupUi(this);
  setModal(false);
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("Proportion posée le long du parcours"));
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->setMargins(QMargins(4, 4, 4, 4));
  ui_->ChartComparaison->setChart(chart);
  ui_->ChartComparaison->setRenderHint(QPainter::Antialiasing);
  distanceAxis_ = new QValueAxis;
  distanceAxis_->setTitleText(QStringLiteral("Distance le long du parcours (m)"));
  distanceAxis_->setLabelFormat(QStringLiteral("%.1f"));
  distanceAxis_->setTickType(QValueAxis::TicksDynamic);
  distanceAxis_->setTickAnchor(0);
  chart->addAxis(distanceAxis_, Qt::AlignBottom);
  proportionAxis_ = new QValueAxis;
  proportionAxis_->setTitleText(QStringLiteral("Proportion %"));
  // 100 % a little below the top, so that a line along it stays in sight.
  proportionAxis_->setRange(0, 105);
  proportionAxis_->setTickType(QValueAxis::TicksDynamic);
  proportionAxis_->setTickAnchor(0);
  proportionAxis_->setTickInterval(20);
  proportionAxis_->setLabelFormat(QStringLiteral("%.0f"));
  chart->addAxis(proportionAxis_, Qt::AlignLeft);
  connect(ui_->ButFermer, &QPushButton::clicked, this, &QDialog::close);
}

JobComparisonWindow::~JobComparisonWindow() = default;

void JobComparisonWindow::compare(const StoredJob& first, const StoredJob& second) {
  QChart& chart = *ui_->ChartComparaison->chart();
  chart.removeAllSeries();
  double length = 0;
  const auto add = [&](const StoredJob& job, const QColor& colour) {
    const ProportionLines lines = proportionLines(job.record);
    const auto line = [&](const QList<QPointF>& points, const QString& name, Qt::PenStyle style, int width) {
      auto* series = new QLineSeries;
      series->setName(name);
      series->setPen(QPen(colour, width, style));
      series->replace(points);
      chart.addSeries(series);
      series->attachAxis(distanceAxis_);
      series->attachAxis(proportionAxis_);
    };
    const QString caption = jobCaption(job);
    line(lines.asked, caption + QStringLiteral(" (demandée)"), Qt::DashLine, 1);
    line(lines.laid, caption + QStringLiteral(" (posée)"), Qt::SolidLine, 2);
    if (!job.record.profile().empty()) length = std::max(length, static_cast<double>(job.record.profile().back().to));
  };
  add(first, QColor(0, 90, 200));
  add(second, QColor(215, 100, 0));
  distanceAxis_->setRange(0, length > 0 ? length : 1);
  distanceAxis_->setTickInterval(axisStep(length > 0 ? length : 1, 8));

  const auto line = [](const StoredJob& job) {
    return QStringLiteral("%1, %2 : %3 m², %4").arg(jobCaption(job), QString::fromStdString(job.machine),
                                                   QString::fromStdString(F1(job.figures.areaPainted)),
                                                   QString::fromStdString(job.verdictText));
  };
  ui_->LComparaison->setText(line(first) + QLatin1Char('\n') + line(second));
  setWindowTitle(QStringLiteral("Comparaison de chantiers — %1 et %2").arg(jobCaption(first), jobCaption(second)));
}

}  // namespace chromaflow
