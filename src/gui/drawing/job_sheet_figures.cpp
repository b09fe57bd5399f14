#include "gui/drawing/job_sheet_figures.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "core/common/display_forms.h"
#include "core/control/job_record.h"
#include "core/control/job_verdict.h"
#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"

namespace chromaflow {
namespace {

// The plot's place across the page: room on the left for the vertical axis's labels.
constexpr qreal kAxisRoomMm = 14;
constexpr qreal kRightRoomMm = 5;
// The wall's picture is drawn to scale when that makes it between these heights.
constexpr qreal kWallMinMm = 22, kWallMaxMm = 70;
constexpr qreal kChartMm = 62;
// Pixels of the wall's picture per inch of paper: fine enough for the eye, light in the file.
constexpr qreal kWallDpi = 150;
// The pumps' pulses a point of the proportion laid stands for at least: one pulse is then at
// most 2 points of proportion.
constexpr long long kPulsesPerLaidPoint = 50;

const QColor kAsked(0, 0, 0);
const QColor kLaid(0, 90, 200);
const QColor kAlarm(220, 0, 0);
const QColor kOutOfTolerance(230, 0, 0, 50);
const QColor kGrid(200, 200, 200);
const QColor kFrame(90, 90, 90);

// Where the plot stands across the page, in the device's units.
struct PlotRoom {
  qreal left, right;
  explicit PlotRoom(const QPaintDevice& device)
      : left(millimetres(device, kAxisRoomMm)), right(millimetres(device, kRightRoomMm)) {}
  QRectF within(const QRectF& block) const {
    return QRectF(block.left() + left, block.top(), block.width() - left - right, block.height());
  }
};

QString metres(double v) { return QString::number(v, 'g', 6) + QStringLiteral(" m"); }

// Ticks and labels along the bottom of `plot`, 0 to `length` metres, labels below it.
void drawLengthAxis(QPainter& painter, const QRectF& plot, double length, const QFont& font, qreal tick) {
  painter.setPen(QPen(kFrame, tick * 0.15));
  painter.setFont(font);
  if (length <= 0) return;
  const double step = axisStep(length, 14);
  for (int i = 0;; ++i) {
    const double d = std::min(i * step, length);
    const qreal x = plot.left() + plot.width() * d / length;
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + tick));
    // The last label is the path's end, unless a round one stands too close to it.
    const bool end = d >= length;
    if (!end || i == 0 || (length - (i - 1) * step) > step * 0.45) {
      const QRectF label(x - 10 * tick, plot.bottom() + tick * 1.2, 20 * tick, 3 * tick);
      painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, metres(end ? std::round(length * 100) / 100 : d));
    }
    if (end) break;
  }
}

// Ticks and labels up the left side of `plot`, 0 to `top`, written by `label`.
template <typename Label>
void drawUpAxis(QPainter& painter, const QRectF& plot, double top, double step, const QFont& font, qreal tick,
                bool grid, Label label) {
  painter.setFont(font);
  for (int i = 0; i * step <= top * (1 + 1e-9); ++i) {
    const double v = i * step;
    const qreal y = plot.bottom() - plot.height() * v / top;
    if (grid && i > 0) {
      painter.setPen(QPen(kGrid, tick * 0.1, Qt::DashLine));
      painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setPen(QPen(kFrame, tick * 0.15));
    painter.drawLine(QPointF(plot.left() - tick, y), QPointF(plot.left(), y));
    painter.drawText(QRectF(plot.left() - 20 * tick, y - 1.5 * tick, 18.8 * tick, 3 * tick),
                     Qt::AlignRight | Qt::AlignVCenter, label(v));
  }
}

// The proportion series of the profile, in metres along the path and % of P2: one polyline per
// run of bins where something was pumped. Bins are taken together until they hold `minPulses` of
// the pumps' pulses, so that a point laid stands for enough paint that one pulse more or less
// does not swing it (a bin holds a few pulses only); the bins left at a run's end with fewer are
// taken with the point before them, never drawn alone (the last two pulses of P2 would draw
// 100 %). `share` is the bins' proportion taken together (P2's share), negative where it has none;
// the line stands on the bins `counts` takes (the laid line not on those the pumps gave nothing).
template <typename Share, typename Counts>
std::vector<QPolygonF> proportionSeries(const std::vector<RecordedStretch>& profile, long long minPulses, Share share,
                                        Counts counts) {
  std::vector<QPolygonF> runs;
  bool open = false;
  RecordedStretch group, lastPoint;
  bool grouping = false;
  const auto flush = [&](bool runEnds) {
    if (!grouping) return;
    grouping = false;
    if (runEnds && open && group.pulsesP1 + group.pulsesP2 < minPulses) {
      lastPoint.extendBy(group);
      runs.back().back() = QPointF((lastPoint.from + lastPoint.to) / 2, std::clamp(share(lastPoint), 0.0, 100.0));
      return;
    }
    const double taken = share(group);
    if (taken < 0) return;
    if (!open) runs.emplace_back();
    open = true;
    runs.back() << QPointF((group.from + group.to) / 2, std::clamp(taken, 0.0, 100.0));
    lastPoint = group;
  };
  for (const RecordedStretch& bin : profile) {
    if (!bin.pumped()) {
      flush(true);
      open = false;
      continue;
    }
    if (!counts(bin)) continue;
    if (!grouping) {
      group = bin;
      grouping = true;
    } else {
      group.extendBy(bin);
    }
    if (group.pulsesP1 + group.pulsesP2 >= minPulses) flush(false);
  }
  flush(true);
  return runs;
}

// The series placed on the plot.
std::vector<QPolygonF> onPlot(std::vector<QPolygonF> runs, const QRectF& plot, double length) {
  for (QPolygonF& run : runs)
    for (QPointF& point : run)
      point = QPointF(plot.left() + plot.width() * point.x() / length, plot.bottom() - plot.height() * point.y() / 100);
  return runs;
}

void drawSeries(QPainter& painter, const std::vector<QPolygonF>& runs, const QColor& colour, qreal width) {
  painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (const QPolygonF& run : runs) {
    if (run.size() == 1)
      painter.drawPoint(run.front());
    else
      painter.drawPolyline(run);
  }
}

}  // namespace

double axisStep(double range, int maxSteps) {
  if (!(range > 0) || maxSteps < 1) return 1;
  double step = std::pow(10.0, std::floor(std::log10(range / maxSteps)));
  for (;;) {
    for (double factor : {1.0, 2.0, 5.0})
      if (range / (step * factor) <= maxSteps) return step * factor;
    step *= 10;
  }
}

void placeWall(SheetLayout& layout, const Session& session, const SheetFonts& fonts) {
  const QPaintDevice& device = layout.device();
  const std::vector<float>& ends = session.path().tables().CL;
  const double length = ends.empty() ? 0 : ends.back();
  const double tallest = value(session.plan().totals().HMax);
  if (session.plan().surfaceCount() == 0 || length <= 0 || tallest <= 0) {
    layout.placeText(QStringLiteral("Le plan n'a aucune surface à peindre."), fonts.body);
    return;
  }
  const PlotRoom room(device);
  const qreal plotWidth = layout.width() - room.left - room.right;
  const qreal toScale = plotWidth * tallest / length;
  const qreal pictureHeight = std::clamp(toScale, millimetres(device, kWallMinMm), millimetres(device, kWallMaxMm));
  const qreal tick = millimetres(device, 1.2);
  const qreal axisBand = tick * 4.5;

  // The surface view drawn at the picture's size on paper, as the main window draws it.
  const qreal pixelsPerUnit = kWallDpi / device.logicalDpiX();
  QImage picture(std::max(1, static_cast<int>(std::lround(plotWidth * pixelsPerUnit))),
                 std::max(1, static_cast<int>(std::lround(pictureHeight * pixelsPerUnit))), QImage::Format_RGB32);
  picture.fill(qColourOf(kButtonFace));
  drawSurfaceView(picture, session.viewSources());

  const qreal top = tick * 1.5;  // room for the top label of the heights
  layout.place(top + pictureHeight + axisBand, [=, font = fonts.small](QPainter& painter, const QRectF& block) {
    const QRectF plot = room.within(block.adjusted(0, top, 0, -axisBand));
    painter.drawImage(plot, picture);
    painter.setPen(QPen(kFrame, tick * 0.15));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    drawLengthAxis(painter, plot, length, font, tick);
    drawUpAxis(painter, plot, tallest, axisStep(tallest, pictureHeight > tick * 25 ? 5 : 2), font, tick, false,
               [](double v) { return metres(v); });
  });
  const qreal scale = plotWidth / length / millimetres(device, 1000);  // mm of paper per m of wall
  QString note = QStringLiteral("Couleurs du mélange prévu par le plan et le tuyau, surface par surface.");
  if (std::abs(pictureHeight - toScale) > 1)
    note += QStringLiteral(" Hauteurs agrandies ou réduites pour la lisibilité.");
  else
    note += QStringLiteral(" Dessin à l'échelle 1 : %1.").arg(std::lround(1.0 / scale));
  layout.placeText(note, fonts.small, QColor(60, 60, 60), room.left);
}

std::vector<QPolygonF> laidProportionSeries(const JobRecord& record) {
  return proportionSeries(
      record.profile(), kPulsesPerLaidPoint, [](const RecordedStretch& s) { return s.laidProportion(); },
      [](const RecordedStretch& s) { return s.deliveredP1 + s.deliveredP2 > 0; });
}

void placeProportionChart(SheetLayout& layout, const JobRecord& record, const JobVerdict& verdict,
                          const SheetFonts& fonts) {
  const QPaintDevice& device = layout.device();
  const std::vector<RecordedStretch>& profile = record.profile();
  const double length = profile.empty() ? 0 : profile.back().to;
  if (length <= 0) {
    layout.placeText(QStringLiteral("Aucun chemin enregistré."), fonts.body);
    return;
  }
  const qreal tick = millimetres(device, 1.2);
  const qreal axisBand = tick * 4.5;
  const qreal top = tick * 2;  // room for the alarms' marks above the plot
  const qreal chartHeight = millimetres(device, kChartMm);
  const PlotRoom room(device);

  std::vector<double> surfaceEnds;
  for (const RecordedStretch& s : record.surfaces()) surfaceEnds.push_back(s.to);
  std::vector<double> alarmStarts;
  for (const RecordedAlarm& a : record.alarms()) alarmStarts.push_back(a.startDistance);
  const std::vector<OutOfTolerance> outOfTolerance = verdict.stretches;
  const std::vector<QPolygonF> asked =
      proportionSeries(profile, 0, [](const RecordedStretch& s) { return s.askedProportion(); },
                       [](const RecordedStretch&) { return true; });
  const std::vector<QPolygonF> laid = laidProportionSeries(record);

  layout.place(top + chartHeight + axisBand, [=](QPainter& painter, const QRectF& block) {
    const QRectF plot = room.within(block.adjusted(0, top, 0, -axisBand));
    painter.setRenderHint(QPainter::Antialiasing);
    // The stretches laid out of tolerance, shaded behind everything.
    for (const OutOfTolerance& s : outOfTolerance) {
      const qreal from = plot.left() + plot.width() * std::clamp(s.from, 0.0, length) / length;
      const qreal to = plot.left() + plot.width() * std::clamp(s.to, 0.0, length) / length;
      painter.fillRect(QRectF(QPointF(from, plot.top()), QPointF(to, plot.bottom())), kOutOfTolerance);
    }
    // The surfaces' ends, faint, so the chart reads against the wall above.
    painter.setPen(QPen(kGrid, tick * 0.1, Qt::DotLine));
    for (double end : surfaceEnds)
      if (end > 0 && end < length) {
        const qreal x = plot.left() + plot.width() * end / length;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      }
    drawUpAxis(painter, plot, 100, 25, fonts.small, tick, true, [](double v) { return QString::number(v) + " %"; });
    // Where each alarm was raised: a thin line down the plot and a mark above it.
    // Many alarms would hide the curves behind their lines: the more there are, the fainter.
    QColor faint = kAlarm;
    faint.setAlphaF(std::clamp(8.0 / static_cast<double>(std::max<std::size_t>(alarmStarts.size(), 1)), 0.1, 0.35));
    for (double d : alarmStarts) {
      const qreal x = plot.left() + plot.width() * std::clamp(d, 0.0, length) / length;
      painter.setPen(QPen(faint, tick * 0.1));
      painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      QPainterPath mark;
      mark.moveTo(x, plot.top());
      mark.lineTo(x - tick * 0.5, plot.top() - tick * 1.2);
      mark.lineTo(x + tick * 0.5, plot.top() - tick * 1.2);
      mark.closeSubpath();
      painter.fillPath(mark, kAlarm);
    }
    drawSeries(painter, onPlot(asked, plot, length), kAsked, tick * 0.35);
    drawSeries(painter, onPlot(laid, plot, length), kLaid, tick * 0.3);
    painter.setPen(QPen(kFrame, tick * 0.15));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    drawLengthAxis(painter, plot, length, fonts.small, tick);
  });

  // The legend: a sample of each line and of the alarm's mark.
  const qreal legendHeight = lineHeight(fonts.small, device) * 1.4;
  const bool outShown = !outOfTolerance.empty();
  layout.place(legendHeight, [=, font = fonts.small](QPainter& painter, const QRectF& rect) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    qreal x = rect.left() + room.left;
    const qreal y = rect.center().y();
    const auto entry = [&](const QString& text, const std::function<void(qreal)>& sample) {
      sample(x);
      x += tick * 6;
      const qreal width = painter.fontMetrics().horizontalAdvance(text);
      painter.setPen(Qt::black);
      painter.drawText(QRectF(x, rect.top(), width + tick, rect.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
      x += width + tick * 3;
    };
    const auto lineSample = [&](const QColor& colour, qreal width) {
      return [&painter, colour, width, y, tick](qreal at) {
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(at, y), QPointF(at + tick * 4.5, y));
      };
    };
    entry(QStringLiteral("Proportion demandée par le plan"), lineSample(kAsked, tick * 0.35));
    entry(QStringLiteral("Proportion posée (pompes)"), lineSample(kLaid, tick * 0.3));
    if (outShown)
      entry(QStringLiteral("Hors tolérance"), [&](qreal at) {
        painter.fillRect(QRectF(at, y - tick * 0.8, tick * 4.5, tick * 1.6), kOutOfTolerance);
      });
    entry(QStringLiteral("Indicateur levé"), [&](qreal at) {
      QPainterPath mark;
      const qreal cx = at + tick * 2.25;
      mark.moveTo(cx, y + tick * 0.6);
      mark.lineTo(cx - tick * 0.5, y - tick * 0.6);
      mark.lineTo(cx + tick * 0.5, y - tick * 0.6);
      mark.closeSubpath();
      painter.fillPath(mark, kAlarm);
    });
  });
}

}  // namespace chromaflow
