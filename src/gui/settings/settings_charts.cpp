#include "gui/settings/settings_charts.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QList>
#include <QValueAxis>

#include <vector>

#include "core/settings/settings_document.h"

namespace chromaflow {
namespace {

const QColor kTheoretical(255, 0, 0);
const QColor kPractical(128, 255, 128);

// A plain chart in the window's colours: no shadow, square corners, small margins and fonts.
QChart* plainChart(QChartView& view) {
  auto* chart = new QChart;
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->legend()->hide();
  view.setChart(chart);
  view.setRenderHint(QPainter::Antialiasing);
  view.setFrameShape(QFrame::StyledPanel);
  return chart;
}

QValueAxis* axis(QChart& chart, Qt::Alignment side, const QString& title, const QString& labels) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setLabelFormat(labels);
  QFont font = axis->labelsFont();
  font.setPointSizeF(7.5);
  axis->setLabelsFont(font);
  font.setPointSizeF(8);
  axis->setTitleFont(font);
  chart.addAxis(axis, side);
  return axis;
}

QLineSeries* series(QChart& chart, const QString& name, const QColor& colour, QValueAxis* x, QValueAxis* y) {
  auto* line = new QLineSeries;
  line->setName(name);
  line->setPen(QPen(colour, 2));
  chart.addSeries(line);
  line->attachAxis(x);
  line->attachAxis(y);
  return line;
}

// The series emptied and given the points in their order, in one repaint.
void fill(QLineSeries& line, const std::vector<ChartPoint>& points) {
  QList<QPointF> shown;
  shown.reserve(static_cast<qsizetype>(points.size()));
  for (const ChartPoint& point : points) shown.append(QPointF(point.x, point.y));
  line.replace(shown);
}

}  // namespace

RollerRotationChart::RollerRotationChart(QChartView& view) {
  QChart* chart = plainChart(view);
  chart->setTitle(QStringLiteral("Rotation rouleau"));
  QFont font = chart->titleFont();
  font.setPointSizeF(8.5);
  font.setBold(true);
  chart->setTitleFont(font);
  flowAxis_ = axis(*chart, Qt::AlignBottom, QStringLiteral("Débit (l/m2)"), QStringLiteral("%.2f"));
  pulsesAxis_ = axis(*chart, Qt::AlignLeft, QStringLiteral("pulses/m2"), QStringLiteral("%d"));
  theorique_ = series(*chart, QStringLiteral("Théorique"), kTheoretical, flowAxis_, pulsesAxis_);
  pratique_ = series(*chart, QStringLiteral("Pratique"), kPractical, flowAxis_, pulsesAxis_);
}

void RollerRotationChart::show(const SettingsCharts& charts) {
  flowAxis_->setRange(0, charts.rollerFlowAxisMax);
  pulsesAxis_->setRange(0, charts.rollerPulsesAxisMax);
  fill(*theorique_, charts.theorique);
  fill(*pratique_, charts.pratique);
}

AnalogOutputChart::AnalogOutputChart(QChartView& view) {
  QChart* chart = plainChart(view);
  QValueAxis* proportion = axis(*chart, Qt::AlignBottom, QStringLiteral("Proportion (%)"), QStringLiteral("%d"));
  QValueAxis* output = axis(*chart, Qt::AlignLeft, QStringLiteral("Sortie analogique (%)"), QStringLiteral("%d"));
  proportion->setRange(0, 100);
  output->setRange(0, 100);
  output_ = series(*chart, QStringLiteral("Sortie analogique"), kTheoretical, proportion, output);
}

void AnalogOutputChart::show(const SettingsCharts& charts) { fill(*output_, charts.sortieAnalog); }

}  // namespace chromaflow
