#include "drawing/main_pictures.h"

#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "app/session.h"

namespace chromaflow {
namespace {

// A picture the painter can draw on: not null, and in a format with a colour per pixel (a
// palette or one-bit image is turned into 32-bit colour first).
bool paintable(QImage& image) {
  if (image.isNull()) return false;
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      image = image.convertToFormat(QImage::Format_RGB32);
      break;
    default:
      break;
  }
  return true;
}

// The sources with the metrics of the pictures they are drawn on.
MainViewSources withView(const MainViewSources& sources, const ViewMetrics& view) {
  return {sources.plan, sources.colours, sources.settings, sources.path, view};
}

ViewMetrics surfaceMetrics(const QImage& surface, ViewMetrics view) {
  view.surfaceWidth = surface.width();
  view.surfaceHeight = surface.height();
  return view;
}

ViewMetrics chartMetrics(const QImage& chart, ViewMetrics view) {
  view.surfaceWidth = chart.width();
  view.proportionHeight = chart.height();
  return view;
}

// A one-pixel pen: the lines cover every pixel from their first point to their last.
QPen thinPen(Rgb colour) {
  QPen pen(qColourOf(colour), 1);
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

void drawPolyline(QPainter& painter, const std::vector<QPoint>& points) {
  if (points.size() == 1) painter.drawPoint(points.front());
  else if (points.size() > 1) painter.drawPolyline(points.data(), static_cast<int>(points.size()));
}

QPoint qPoint(PixelPoint p) { return {p.x, p.y}; }

// The surfaces in white, then the mix's colours over them. The walk lays about one step per
// pixel column, but the rounding of its positions now and then puts two steps on one column
// and none on the next; such a column takes the colour of the step before it (the columns left
// of the first step, the first step's), so the wall shows no white stripe. Each column is
// painted over its own surface's height, its top row included, and nowhere else.
void paintSurfaceView(QImage& image, const MainViewSources& sources, const PredictedMix& mix) {
  const int width = image.width(), bottom = image.height();
  QPainter painter(&image);
  painter.fillRect(image.rect(), qColourOf(kButtonFace));
  std::vector<int> tops(static_cast<std::size_t>(width), bottom);  // per column: its surface's top
  for (const PixelRect& r : surfaceRectangles(sources)) {
    const int top = std::max(r.top, 0);
    if (r.bottom <= top) continue;
    for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x) tops[x] = top;
    painter.fillRect(QRect(r.left, top, r.right - r.left, r.bottom - top), Qt::white);
  }

  std::vector<Rgb> laid(static_cast<std::size_t>(width));
  std::vector<bool> landed(static_cast<std::size_t>(width), false);
  for (const MixColumn& column : mix.columns) {
    if (column.x < 0 || column.x >= width) continue;
    laid[column.x] = column.colour;
    landed[column.x] = true;
  }
  int first = 0, last = width - 1;
  while (first < width && !landed[first]) ++first;
  if (first == width) return;
  // A walk that ended early leaves the columns it did not reach white.
  if (!mix.complete)
    while (!landed[last]) --last;
  Rgb colour = laid[first];
  for (int x = 0; x <= last; ++x) {
    if (landed[x]) colour = laid[x];
    if (tops[x] < bottom) painter.fillRect(QRect(x, tops[x], 1, bottom - tops[x]), qColourOf(colour));
  }
}

// The diamonds' outlines pixel by pixel: their sides are exact diagonals, and a plan of ten
// thousand rows would spend most of the redraw in the painter's set-up for each small outline.
void drawDiamonds(QImage& image, const std::vector<PixelPoint>& centres, Rgb colour) {
  const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
                      image.format() == QImage::Format_ARGB32_Premultiplied;
  const QRgb value = qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                          static_cast<int>((colour >> 16) & 0xFF));
  const int width = image.width(), height = image.height();
  uchar* const bits = direct ? image.bits() : nullptr;
  const qsizetype stride = image.bytesPerLine();
  auto put = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (bits) reinterpret_cast<QRgb*>(bits + y * stride)[x] = value;
    else image.setPixel(x, y, value);
  };
  PixelPoint previous{-1000000, -1000000};
  for (PixelPoint c : centres) {
    if (c == previous) continue;  // rows closer than a pixel share one diamond
    previous = c;
    const std::array<PixelPoint, 5> corners = diamondOutline(c);
    for (std::size_t side = 0; side < 4; ++side) {
      const PixelPoint from = corners[side], to = corners[side + 1];
      const int dx = to.x > from.x ? 1 : -1, dy = to.y > from.y ? 1 : -1;
      for (int i = 0; i < std::abs(to.x - from.x); ++i) put(from.x + i * dx, from.y + i * dy);
    }
  }
}

void paintProportionChart(QImage& image, const MainViewSources& sources, const PredictedMix& mix) {
  QPainter painter(&image);
  painter.fillRect(image.rect(), qColourOf(kButtonFace));
  const PlanCurve curve = planCurve(sources);
  if (curve.line.empty()) return;

  std::vector<QPoint> points;
  points.reserve(std::max(curve.line.size(), mix.columns.size() + 1));
  for (PixelPoint p : curve.line) points.push_back(qPoint(p));
  painter.setPen(thinPen(rgbOf(0, 0, 0)));
  drawPolyline(painter, points);
  painter.end();
  drawDiamonds(image, curve.diamonds, rgbOf(0, 0, 0));

  // The mix at the roller, over the plan, from where the walk starts through every column.
  if (mix.columns.empty()) return;
  points.clear();
  points.push_back(qPoint(mix.start));
  for (const MixColumn& column : mix.columns) points.push_back({column.x, column.curveY});
  painter.begin(&image);
  painter.setPen(thinPen(kRed));
  drawPolyline(painter, points);
}

}  // namespace

QColor qColourOf(Rgb rgb) {
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

MainPictures makeMainPictures(int width) {
  width = std::max(width, 1);
  MainPictures pictures{QImage(width, kSurfaceViewHeight, QImage::Format_RGB32),
                        QImage(width, kChartHeight, QImage::Format_RGB32),
                        QImage(kColourScaleWidth, kChartHeight, QImage::Format_RGB32)};
  for (QImage* image : {&pictures.surface, &pictures.proportion, &pictures.colourScale})
    image->fill(qColourOf(kButtonFace));
  return pictures;
}

ViewMetrics viewMetricsFor(const QImage& surface, const QImage& proportion, int hoseWidth) {
  ViewMetrics view;
  view.surfaceWidth = surface.width();
  view.surfaceHeight = surface.height();
  view.proportionHeight = proportion.height();
  view.hoseWidth = hoseWidth;
  return view;
}

ViewMetrics viewMetricsFor(const MainPictures& pictures, int hoseWidth) {
  return viewMetricsFor(pictures.surface, pictures.proportion, hoseWidth);
}

void drawSurfaceView(QImage& image, const MainViewSources& sources) {
  if (!paintable(image)) return;
  const MainViewSources here = withView(sources, surfaceMetrics(image, sources.view));
  paintSurfaceView(image, here, predictedMix(here));
}

void drawProportionChart(QImage& image, const MainViewSources& sources) {
  if (!paintable(image)) return;
  const MainViewSources here = withView(sources, chartMetrics(image, sources.view));
  paintProportionChart(image, here, predictedMix(here));
}

void drawColourScale(QImage& image, const MainViewSources& sources) {
  if (!paintable(image)) return;
  ViewMetrics view = sources.view;
  view.proportionHeight = image.height();
  const std::vector<Rgb> rows = colourScale(withView(sources, view), image.height());
  QPainter painter(&image);
  for (int y = 0; y < image.height(); ++y) painter.fillRect(QRect(0, y, image.width(), 1), qColourOf(rows[y]));
}

void redrawViews(MainPictures& pictures, const MainViewSources& sources) {
  const bool surface = paintable(pictures.surface), chart = paintable(pictures.proportion);
  if (surface && chart && pictures.surface.width() == pictures.proportion.width()) {
    const MainViewSources both = withView(sources, viewMetricsFor(pictures, sources.view.hoseWidth));
    const PredictedMix mix = predictedMix(both);
    paintSurfaceView(pictures.surface, both, mix);
    paintProportionChart(pictures.proportion, both, mix);
  } else {
    if (surface) drawSurfaceView(pictures.surface, sources);
    if (chart) drawProportionChart(pictures.proportion, sources);
  }
  drawColourScale(pictures.colourScale, sources);
}

void redrawViews(MainPictures& pictures, const Session& session) { redrawViews(pictures, session.viewSources()); }

void drawBar(QImage& image, const BarFigure& bar) {
  if (!paintable(image)) return;
  const int fillTo = std::clamp(bar.fillTo, 0, image.width());
  QPainter painter(&image);
  painter.fillRect(QRect(0, 0, fillTo, image.height()), qColourOf(bar.colour));
  painter.fillRect(QRect(fillTo, 0, image.width() - fillTo, image.height()), qColourOf(kButtonFace));
}

void drawGauge(QImage& image, int percent, const GaugeColours& colours) {
  if (!paintable(image)) return;
  const int height = image.height();
  const int filled = (std::clamp(percent, 0, 100) * height + 50) / 100;
  QPainter painter(&image);
  painter.fillRect(QRect(0, 0, image.width(), height - filled), qColourOf(colours.background));
  painter.fillRect(QRect(0, height - filled, image.width(), filled), qColourOf(colours.bar));
}

}  // namespace chromaflow
