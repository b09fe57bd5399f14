#include "gui/plan/sample_picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

#include "gui/plan/metafile_picture.h"

namespace chromaflow {
namespace {

QString unreadable(const QString& path) {
  return QStringLiteral("Le fichier « %1 » ne peut pas être lu comme une image.").arg(QFileInfo(path).fileName());
}

// The largest image of an icon file; an icon file holds the same icon at several sizes.
QImage largestIcon(QImageReader& reader) {
  QImage largest;
  const int count = std::max(reader.imageCount(), 1);
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    const QImage image = reader.read();
    if (!image.isNull() && image.width() * image.height() > largest.width() * largest.height()) largest = image;
  }
  return largest;
}

// The metafile's own size, taken down to the drawing limit with its proportions kept.
QSize drawingSize(const QSvgRenderer& drawing) {
  const QSizeF own = drawing.defaultSize();
  if (own.width() < 1 || own.height() < 1) return {};
  const double scale = std::min({1.0, kMetafileMaxSide / own.width(), kMetafileMaxSide / own.height()});
  return QSize(std::max(1, qRound(own.width() * scale)), std::max(1, qRound(own.height() * scale)));
}

}  // namespace

std::variant<SamplePicture, QString> SamplePicture::read(const QString& path, PictureKind kind) {
  SamplePicture picture;
  picture.kind_ = kind;
  if (kind == PictureKind::Bitmap || kind == PictureKind::Icon) {
    QImageReader reader(path, kind == PictureKind::Bitmap ? "bmp" : "ico");
    reader.setDecideFormatFromContent(false);
    picture.image_ = kind == PictureKind::Bitmap ? reader.read() : largestIcon(reader);
    if (picture.image_.isNull()) return unreadable(path);
    picture.size_ = picture.image_.size();
    return picture;
  }
  if (kind == PictureKind::Metafile) {
    QFile file(path);
    if (file.size() > kMetafileMaxBytes || !file.open(QIODevice::ReadOnly)) return unreadable(path);
    const QByteArray bytes = file.readAll();
    const bool enhanced = QFileInfo(path).suffix().compare(QLatin1String("emf"), Qt::CaseInsensitive) == 0;
    const auto svg = metafileSvg(bytes, enhanced ? MetafileFormat::Emf : MetafileFormat::Wmf);
    if (!svg) return unreadable(path);
    picture.drawing_ = std::make_shared<QSvgRenderer>(*svg);
    picture.size_ = picture.drawing_->isValid() ? drawingSize(*picture.drawing_) : QSize();
    if (picture.size_.isEmpty()) return unreadable(path);
    return picture;
  }
  return unreadable(path);
}

QImage SamplePicture::inFrame(QSize frame, bool stretch, QColor background) const {
  QImage shown(frame, QImage::Format_RGB32);
  shown.fill(background);
  if (empty() || frame.isEmpty()) return shown;
  QPainter painter(&shown);
  const bool fills = stretch && kind_ != PictureKind::Icon;
  const QRect target = fills ? QRect(QPoint(0, 0), frame) : QRect(QPoint(0, 0), size_);
  if (drawing_)
    drawing_->render(&painter, target);
  else
    painter.drawImage(target, image_);
  return shown;
}

QImage SamplePicture::fullSize(QColor background) const { return inFrame(size_, false, background); }

QIcon SamplePicture::icon() const { return kind_ == PictureKind::Icon ? QIcon(QPixmap::fromImage(image_)) : QIcon(); }

Rgb SamplePicture::pixel(int x, int y) const {
  if (kind_ != PictureKind::Bitmap || !image_.valid(x, y)) return 0;
  const QRgb colour = image_.pixel(x, y);
  return rgbOf(qRed(colour), qGreen(colour), qBlue(colour));
}

}  // namespace chromaflow
