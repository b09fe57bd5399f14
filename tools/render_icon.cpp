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
#include <string>
#include <string_view>

#include "command_line.h"

namespace {

const char* const kUsage =
    "usage : render_icon DESSIN.svg TAILLE IMAGE.png\n"
    "        render_icon --help | --version\n";

const char* const kHelp =
    "\nDessine DESSIN.svg en IMAGE.png de TAILLE x TAILLE pixels (1 à 1024), sur fond transparent.\n"
    "Statut : 0 fait, 1 échec, 2 ligne de commande refusée.\n";

int fail(const char* what, const char* subject) {
  std::fprintf(stderr, "render_icon : %s : %s\n", what, subject);
  return 1;
}

int render(char** argv) {
  const std::string_view sizeText{argv[2]};
  int size = 0;
  const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
  if (error != std::errc{} || end != sizeText.data() + sizeText.size() || size < 1 || size > 1024)
    throw chromaflow::tools::UsageError{std::string("la taille est un nombre entier de pixels de 1 à 1024 : ") +
                                        argv[2]};

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);

  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) return fail("dessin SVG illisible", argv[1]);

  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    renderer.render(&painter, QRectF(0, 0, size, size));
  }

  if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) return fail("image PNG impossible à écrire", argv[3]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return chromaflow::tools::runTool("render_icon", kUsage, [&] {
    chromaflow::tools::answerInformation(argc, argv, "render_icon", std::string(kUsage) + kHelp);
    if (argc != 4) throw chromaflow::tools::UsageError{"un dessin, une taille et une image sont attendus"};
    return render(argv);
  });
}
