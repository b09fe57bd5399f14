#pragma once
// The picture of a paint sample loaded in the image viewer: a bitmap, an icon or a metafile, as
// the picker frame, the full-size viewer and the colour pick need it.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <variant>

#include "core/plan/colour_picker.h"

class QSvgRenderer;

namespace chromaflow {

// A metafile is drawn at most this many pixels wide or high, whatever size it claims.
constexpr int kMetafileMaxSide = 4096;

class SamplePicture {
 public:
  SamplePicture() = default;

  // Reads `path` as a picture of `kind`; the reason for the error box when it cannot.
  static std::variant<SamplePicture, QString> read(const QString& path, PictureKind kind);

  PictureKind kind() const { return kind_; }
  bool empty() const { return kind_ == PictureKind::None; }
  // The picture's size in pixels (a metafile's: the size of its drawing).
  QSize size() const { return size_; }

  // What the picker frame of size `frame` shows: the picture stretched to the frame, or at its
  // own size from the top-left corner. An icon keeps its own size.
  QImage inFrame(QSize frame, bool stretch, QColor background) const;
  // The picture at its own size.
  QImage fullSize(QColor background) const;
  QIcon icon() const;
  // The colour of a pixel of a bitmap.
  Rgb pixel(int x, int y) const;

 private:
  PictureKind kind_ = PictureKind::None;
  QSize size_;
  QImage image_;                           // bitmap or icon
  std::shared_ptr<QSvgRenderer> drawing_;  // metafile
};

}  // namespace chromaflow
