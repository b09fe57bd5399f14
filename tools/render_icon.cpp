// render_icon: draws one SVG icon into a square PNG with alpha, at the size asked.
//   render_icon IN.svg SIZE OUT.png
// The desktop's icon theme wants PNG copies at fixed sizes (16, 22, 24, 32, 48, 64, 128, 256);
// they are all made at build time from the one hand-drawn SVG, so no size is kept by hand and
// none can drift from the drawing. Qt's SVG renderer draws them, antialiased, on a transparent
// square. Needs no display: the offscreen platform is chosen unless QT_QPA_PLATFORM says otherwise.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace {

int fail(const char* what, const char* subject) {
  std::fprintf(stderr, "render_icon: %s: %s\n", what, subject);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: render_icon IN.svg SIZE OUT.png\n");
    return 1;
  }

  const std::string_view sizeText{argv[2]};
  int size = 0;
  const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
  if (error != std::errc{} || end != sizeText.data() + sizeText.size() || size < 1 || size > 1024)
    return fail("size must be a whole number of pixels from 1 to 1024", argv[2]);

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);

  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) return fail("cannot read this SVG drawing", argv[1]);

  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    renderer.render(&painter, QRectF(0, 0, size, size));
  }

  if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) return fail("cannot write the PNG", argv[3]);
  return 0;
}
