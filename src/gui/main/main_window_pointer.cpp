// The main window's images under the pointer: read-outs, cursors, the proportion points moved,
// inserted and deleted, the travelled and hose markers dragged, the colour picked, the pop-up
// menus. Each gesture is one call to the session.

#include <QAction>
#include <QBuffer>
#include <QMenu>

#include "core/common/text_file.h"
#include "core/session/pointer_readouts.h"
#include "core/session/session.h"
#include "gui/main/main_window.h"
#include "ui_main_window.h"

namespace chromaflow {
namespace {

Qt::CursorShape shapeOf(PointerCursor cursor) {
  switch (cursor) {
    case PointerCursor::Move: return Qt::SizeAllCursor;
    case PointerCursor::HorizontalSplit: return Qt::SplitHCursor;
    case PointerCursor::Default: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

void MainWindow::wirePictures() {
  Ui::FVelmora& f = *ui_;

  popupSurface_ = new QMenu(this);
  popupSurface_->setObjectName(QStringLiteral("PopupImageSurf"));
  QAction* modify = popupSurface_->addAction(QStringLiteral("Modifier"));
  modify->setObjectName(QStringLiteral("PopupImageSurfModifier"));
  modify->setEnabled(false);  // until the plan window is attached
  connect(modify, &QAction::triggered, this, [this] { showOther(windows_.plan); });
  QAction* saveBitmap = popupSurface_->addAction(QStringLiteral("Sauvegarder comme bitmap"));
  saveBitmap->setObjectName(QStringLiteral("PopupImageSurfBitmap"));
  connect(saveBitmap, &QAction::triggered, this, &MainWindow::saveSurfaceBitmap);

  popupChart_ = new QMenu(this);
  popupChart_->setObjectName(QStringLiteral("PopupImageProp"));
  insertAction_ = popupChart_->addAction(QStringLiteral("Insérer"));
  insertAction_->setObjectName(QStringLiteral("PopupImagePropInserer"));
  deleteAction_ = popupChart_->addAction(QStringLiteral("Supprimer"));
  deleteAction_->setObjectName(QStringLiteral("PopupImagePropSupprimer"));
  insertAction_->setEnabled(false);
  deleteAction_->setEnabled(false);
  connect(insertAction_, &QAction::triggered, this, [this] { session_.chartInsert(); });
  connect(deleteAction_, &QAction::triggered, this, [this] { session_.chartDelete(); });

  connect(f.ImageSurf, &PictureView::pressed, this, [this](QPoint at, Qt::MouseButton button) {
    surfacePressed(at);
    if (button == Qt::RightButton) popupSurface_->popup(ui_->ImageSurf->mapToGlobal(at));
  });
  connect(f.ImageSurf, &PictureView::moved, this, &MainWindow::surfaceMoved);
  // A double click on the surfaces or on the chart opens the plan; a click on the colour scale,
  // the colour table.
  connect(f.ImageSurf, &PictureView::doubleClicked, this, [this] { showOther(windows_.plan); });
  connect(f.ImageProp, &PictureView::doubleClicked, this, [this] { showOther(windows_.plan); });
  connect(f.ImagePropCoul, &PictureView::pressed, this, [this](QPoint, Qt::MouseButton button) {
    if (button == Qt::LeftButton) showOther(windows_.colours);
  });

  connect(f.ImageProp, &PictureView::moved, this, &MainWindow::chartMoved);
  connect(f.ImageProp, &PictureView::pressed, this, [this] { chartPressed(); });
  connect(f.ImageProp, &PictureView::released, this, &MainWindow::chartReleased);

  connect(f.ImageParcouru, &PictureView::moved, this, &MainWindow::travelledMoved);
  connect(f.ImageParcouru, &PictureView::pressed, this, [this](QPoint at) { session_.travelBarPressed(at.x()); });
  connect(f.ImageParcouru, &PictureView::released, this, [this] { session_.travelBarReleased(); });

  connect(f.ImageProportion, &PictureView::moved, this, &MainWindow::proportionBarMoved);

  connect(f.ImageRemplissageTuyau, &PictureView::moved, this, &MainWindow::hoseMoved);
  connect(f.ImageRemplissageTuyau, &PictureView::pressed, this, [this](QPoint at) { session_.hoseBarPressed(at.x()); });
  connect(f.ImageRemplissageTuyau, &PictureView::released, this, [this] { session_.hoseBarReleased(); });

  // One layout pass resizes both views: the pictures are fitted once, after it.
  auto fitSoon = [this] {
    if (std::exchange(fitPending_, true)) return;
    QMetaObject::invokeMethod(this, &MainWindow::fitPictures, Qt::QueuedConnection);
  };
  connect(f.ImageSurf, &PictureView::resized, this, fitSoon);
  connect(f.ImageProp, &PictureView::resized, this, fitSoon);
}

void MainWindow::fitPictures() {
  fitPending_ = false;
  // The surface view, the chart and the two path bars stand in one column: one width, one scale.
  const QSize surface = ui_->ImageSurf->size().expandedTo(QSize(1, 1));
  const int chartHeight = std::max(1, ui_->ImageProp->height());
  if (surface == pictures_.surface.size() && chartHeight == pictures_.proportion.height()) return;
  const int width = surface.width();
  pictures_ = makeMainPictures(width, surface.height(), chartHeight);
  travelled_ = QImage(width, travelled_.height(), QImage::Format_RGB32);
  proportionBar_ = QImage(width, proportionBar_.height(), QImage::Format_RGB32);
  session_.setViewMetrics(viewMetricsFor(pictures_, hose_.width()));
}

void MainWindow::surfacePressed(QPoint at) {
  if (!pictures_.surface.valid(at)) return;
  const QColor colour = pictures_.surface.pixelColor(at);
  session_.pickSurfaceColour(rgbOf(colour.red(), colour.green(), colour.blue()));
}

void MainWindow::surfaceMoved(QPoint at) {
  const StatusPanels panels = surfaceReadout(session_.viewSources(), at.x());
  setStatus(panels.panel0, panels.panel1);
}

void MainWindow::chartMoved(QPoint at) {
  const ChartPointerAnswer answer = session_.chartPointerMoved(at.x(), at.y());
  insertAction_->setEnabled(session_.chartEditing().InsertEnabled);
  deleteAction_->setEnabled(session_.chartEditing().DeleteEnabled);
  setStatus(answer.panel0, std::nullopt);
  if (answer.hit) {
    ui_->ImageProp->setCursor(shapeOf(answer.hit->cursor));
    setStatus(std::nullopt, answer.hit->panel1);
  }
}

void MainWindow::chartPressed() { session_.chartButtonPressed(); }

void MainWindow::chartReleased(QPoint at, Qt::MouseButton button) {
  session_.chartButtonReleased(at.x(), at.y());
  // The pop-up acts where it was opened: the pointer's last position over the chart.
  if (button == Qt::RightButton) popupChart_->popup(ui_->ImageProp->mapToGlobal(at));
}

void MainWindow::travelledMoved(QPoint at) {
  ui_->ImageParcouru->setCursor(shapeOf(session_.travelBarMoved(at.x())));
  const StatusPanels panels = travelledReadout(session_.viewSources(), at.x(), session_.state().Distance);
  setStatus(panels.panel0, panels.panel1);
}

void MainWindow::proportionBarMoved(QPoint at) {
  const PaintingState& state = session_.state();
  const StatusPanels panels =
      proportionBarReadout(session_.viewSources(), at.x(), state.PaintedArea, state.HoseFill);
  setStatus(panels.panel0, panels.panel1);
}

void MainWindow::hoseMoved(QPoint at) {
  ui_->ImageRemplissageTuyau->setCursor(shapeOf(session_.hoseBarMoved(at.x())));
  const StatusPanels panels = hoseReadout(session_.viewSources(), session_.state().HoseFill);
  setStatus(panels.panel0, panels.panel1);
}

void MainWindow::saveSurfaceBitmap() {
  Asker* asker = session_.asker();
  if (!asker) return;
  const auto name = asker->askSaveName(DocumentKind::Bitmap, "");
  if (!name) return;
  QByteArray bitmap;
  QBuffer buffer(&bitmap);
  buffer.open(QIODevice::WriteOnly);
  pictures_.surface.save(&buffer, "BMP");
  // Written whole beside its name, then put in its place: never a half picture.
  try {
    writeFilesTogether({{*name, bitmap.toStdString()}});
  } catch (const FileError& error) {
    asker->showError(error.what());
  }
}

}  // namespace chromaflow
