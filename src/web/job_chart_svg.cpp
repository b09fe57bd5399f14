#include "web/job_chart_svg.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "core/control/job_record.h"
#include "core/control/job_verdict.h"
#include "gui/drawing/job_sheet_figures.h"
#include "gui/drawing/sheet_layout.h"

namespace chromaflow::web {

QByteArray proportionChartSvg(const JobRecord& record, const JobVerdict& verdict, double widthMm) {
  QBuffer bytes;
  bytes.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&bytes);
  svg.setResolution(96);
  svg.setTitle(QStringLiteral("Proportion demandée et posée le long du parcours"));
  // Laid out once on a page tall enough for the chart alone, then drawn on a canvas its height.
  const qreal width = widthMm * 96 / 25.4;
  SheetLayout measure(svg, QSizeF(width, width), 0);
  const SheetFonts fonts = sheetFonts();
  placeProportionChart(measure, record, verdict, fonts);
  const qreal height = measure.bodyHeight() - measure.remaining();
  svg.setSize(QSize(qRound(width), qRound(height)));
  svg.setViewBox(QRectF(0, 0, width, height));
  QPainter painter(&svg);
  measure.paint(painter, [] { return false; }, [](QPainter&, const QRectF&, int, int) {});
  painter.end();
  return bytes.data();
}

}  // namespace chromaflow::web
