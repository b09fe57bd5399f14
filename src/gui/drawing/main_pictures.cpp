#include "gui/drawing/main_pictures.h"

#include <QPainter>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "core/session/session.h"

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

QPoint qPoint(PixelPoint p) { return {p.x, p.y}; }

// Pixels of one colour written straight into the image's scanlines (through setPixel for an
// image of another format). A plan of ten thousand rows would otherwise spend the redraw in the
// painter: its curve and diamonds are drawn here.
class Pixels {
 public:
  // An image whose scanlines hold one opaque 32-bit colour per pixel, written straight.
  static bool direct(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
  }

  Pixels(QImage& image, Rgb colour)
      : image_(image),
        value_(qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                    static_cast<int>((colour >> 16) & 0xFF))),
        width_(image.width()),
        height_(image.height()),
        bits_(direct(image) ? image.bits() : nullptr),
        stride_(image.bytesPerLine()) {}

  void put(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (bits_)
      reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = value_;
    else
      image_.setPixel(x, y, value_);
  }

  // A straight line, both ends included (Bresenham's steps). A line between two points inside
  // the image stays inside it: its pixels are written without asking.
  void line(QPoint from, QPoint to) {
    if (bits_ && inside(from) && inside(to))
      steps(from, to, [this](int x, int y) { reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = value_; });
    else
      steps(from, to, [this](int x, int y) { put(x, y); });
  }

  // Lines through the points in turn. Points in one pixel column one after another (rows
  // closer than a pixel) are joined by vertical lines that together cover the column from the
  // highest of them to the lowest: that stretch is drawn once.
  void polyline(const std::vector<QPoint>& points) {
    if (points.size() == 1) put(points.front().x(), points.front().y());
    std::size_t i = 1;
    while (i < points.size()) {
      const QPoint from = points[i - 1];
      if (points[i].x() != from.x()) {
        line(from, points[i]);
        ++i;
        continue;
      }
      int top = from.y(), bottom = from.y();
      for (; i < points.size() && points[i].x() == from.x(); ++i) {
        top = std::min(top, points[i].y());
        bottom = std::max(bottom, points[i].y());
      }
      line(QPoint(from.x(), top), QPoint(from.x(), bottom));
    }
  }

 private:
  bool inside(QPoint p) const { return p.x() >= 0 && p.y() >= 0 && p.x() < width_ && p.y() < height_; }

  template <typename Plot>
  static void steps(QPoint from, QPoint to, Plot plot) {
    const long long dx = std::llabs(static_cast<long long>(to.x()) - from.x());
    const long long dy = -std::llabs(static_cast<long long>(to.y()) - from.y());
    const int sx = from.x() < to.x() ? 1 : -1, sy = from.y() < to.y() ? 1 : -1;
    long long error = dx + dy;
    int x = from.x(), y = from.y();
    for (;;) {
      plot(x, y);
      if (x == to.x() && y == to.y()) return;
      const long long twice = 2 * error;
      if (twice >= dy) error += dy, x += sx;
      if (twice <= dx) error += dx, y += sy;
    }
  }


  QImage& image_;
  QRgb value_;
  int width_, height_;
  uchar* bits_;
  qsizetype stride_;
};

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
  std::vector<QRgb> shown(static_cast<std::size_t>(last + 1));
  for (int x = 0; x <= last; ++x) {
    if (landed[x]) colour = laid[x];
    shown[x] = qColourOf(colour).rgb();
  }
  if (!Pixels::direct(image)) {
    for (int x = 0; x <= last; ++x)
      if (tops[x] < bottom) painter.fillRect(QRect(x, tops[x], 1, bottom - tops[x]), QColor(shown[x]));
    return;
  }
  // Each column over its surface's height, written row by row into the scanlines.
  painter.end();
  for (int y = 0; y < bottom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x <= last; ++x)
      if (tops[x] <= y) line[x] = shown[x];
  }
}

// The diamonds' outlines: their sides are exact diagonals.
void drawDiamonds(QImage& image, const std::vector<PixelPoint>& centres, Rgb colour) {
  Pixels pixels(image, colour);
  PixelPoint previous{-1000000, -1000000};
  for (PixelPoint c : centres) {
    if (c == previous) continue;  // rows closer than a pixel share one diamond
    previous = c;
    const std::array<PixelPoint, 5> corners = diamondOutline(c);
    for (std::size_t side = 0; side < 4; ++side) {
      const PixelPoint from = corners[side], to = corners[side + 1];
      const int dx = to.x > from.x ? 1 : -1, dy = to.y > from.y ? 1 : -1;
      for (int i = 0; i < std::abs(to.x - from.x); ++i) pixels.put(from.x + i * dx, from.y + i * dy);
    }
  }
}

void paintProportionChart(QImage& image, const MainViewSources& sources, const PredictedMix& mix) {
  QPainter painter(&image);
  painter.fillRect(image.rect(), qColourOf(kButtonFace));
  const PlanCurve curve = planCurve(sources);
  if (curve.line.empty()) return;

  painter.end();
  std::vector<QPoint> points;
  points.reserve(std::max(curve.line.size(), mix.columns.size() + 1));
  for (PixelPoint p : curve.line) points.push_back(qPoint(p));
  Pixels(image, rgbOf(0, 0, 0)).polyline(points);
  drawDiamonds(image, curve.diamonds, rgbOf(0, 0, 0));

  // The mix at the roller, over the plan, from where the walk starts through every column.
  if (mix.columns.empty()) return;
  points.clear();
  points.push_back(qPoint(mix.start));
  for (const MixColumn& column : mix.columns) points.push_back({column.x, column.curveY});
  Pixels(image, kRed).polyline(points);
}

}  // namespace

QColor qColourOf(Rgb rgb) {
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

MainPictures makeMainPictures(int width) { return makeMainPictures(width, kSurfaceViewHeight, kChartHeight); }

MainPictures makeMainPictures(int width, int surfaceHeight, int chartHeight) {
  width = std::max(width, 1);
  surfaceHeight = std::max(surfaceHeight, 1);
  chartHeight = std::max(chartHeight, 1);
  MainPictures pictures{QImage(width, surfaceHeight, QImage::Format_RGB32),
                        QImage(width, chartHeight, QImage::Format_RGB32),
                        QImage(kColourScaleWidth, chartHeight, QImage::Format_RGB32)};
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
  // Every pixel of the three pictures is painted again: one that a view still shows gets a
  // buffer of its own rather than a copy of the old picture to paint over.
  for (QImage* image : {&pictures.surface, &pictures.proportion, &pictures.colourScale})
    if (!image->isNull() && !image->isDetached() && Pixels::direct(*image))
      *image = QImage(image->size(), image->format());
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

void drawColumns(QImage& image, const std::vector<Rgb>& columns) {
  if (!paintable(image)) return;
  QPainter painter(&image);
  const int width = std::min(image.width(), static_cast<int>(columns.size()));
  for (int x = 0; x < width; ++x)
    painter.fillRect(QRect(x, 0, 1, image.height()), qColourOf(columns[static_cast<std::size_t>(x)]));
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
