#pragma once
// The main window's pictures drawn on QImage from what the core computes: the surface view
// with each pixel column in the colour the roller is predicted to lay, the proportion chart
// (the plan's curve in black, the mix at the roller in red), the colour scale beside it, the
// three thin bars under the surface view and the setpoint gauge. QtGui only: no widget, so
// the pictures are drawn and checked headless.
//
// Every picture is drawn at its image's own pixel size: the width and height the drawing
// needs are taken from the image, whatever the sources' ViewMetrics say about it. The window
// passes the same sizes to the session (viewMetricsFor) so that its pointer rules agree.

#include <QColor>
#include <QImage>

#include <vector>

#include "core/control/figures.h"
#include "core/session/main_view_sources.h"
#include "core/session/proportion_views.h"

namespace chromaflow {

class Session;

// The colour of the pictures' background and of the bars' empty part: the face of a standard
// desktop button. The pictures are drawn away from any desktop theme, so it is fixed here.
constexpr Rgb kButtonFace = rgbOf(240, 240, 240);

QColor qColourOf(Rgb rgb);

// The initial sizes of the main window's images.
constexpr int kSurfaceViewWidth = 625;   // ImageSurf, and ImageProp beside it
constexpr int kSurfaceViewHeight = 119;  // ImageSurf
constexpr int kChartHeight = 116;        // ImageProp and ImagePropCoul
constexpr int kColourScaleWidth = 11;    // ImagePropCoul

// The surface view, the proportion chart and the colour scale.
struct MainPictures {
  QImage surface;      // ImageSurf
  QImage proportion;   // ImageProp
  QImage colourScale;  // ImagePropCoul
};

// The three pictures at their initial sizes, `width` pixels wide for the surface view and the
// chart, filled with the button face until the first redraw. A width below 1 is taken as 1.
MainPictures makeMainPictures(int width = kSurfaceViewWidth);
// The same at other heights, as a window taller than its first layout shows them; the colour
// scale stands beside the chart and is as high.
MainPictures makeMainPictures(int width, int surfaceHeight, int chartHeight);

// The metrics the path model's pixel conversions need for pictures of these sizes; the hose
// bar's width is not in the pictures and is passed on.
ViewMetrics viewMetricsFor(const QImage& surface, const QImage& proportion,
                           int hoseWidth = ViewMetrics{}.hoseWidth);
ViewMetrics viewMetricsFor(const MainPictures& pictures, int hoseWidth = ViewMetrics{}.hoseWidth);

// ImageSurf: the button face, the surfaces in white standing on the bottom row, then every
// pixel column of the predicted mix from the bottom up to the surface's top in its colour.
void drawSurfaceView(QImage& image, const MainViewSources& sources);

// ImageProp: the button face, the plan's curve in black with a diamond on every proportion
// row, and the mix at the roller in red, drawn over it. Plain button face when the plan has no
// proportion row or no surface.
void drawProportionChart(QImage& image, const MainViewSources& sources);

// ImagePropCoul: every pixel row in the colour of its proportion, 100 % at the top.
void drawColourScale(QImage& image, const MainViewSources& sources);

// The three views. The walk of the predicted mix is made once when the surface view and the
// chart are as wide as each other (as they are in the window).
void redrawViews(MainPictures& pictures, const MainViewSources& sources);
void redrawViews(MainPictures& pictures, const Session& session);

// ImageParcouru, ImageProportion, ImageRemplissageTuyau: the pixel columns left of `fillTo`
// in the figure's colour, the others in the button face.
void drawBar(QImage& image, const BarFigure& bar);
// A colour bar: column x of the picture in columns[x], top to bottom.
void drawColumns(QImage& image, const std::vector<Rgb>& columns);

// GaugeConsigne, upright: the lower `percent` of its height in the bar colour, the rest in the
// background colour. A percentage outside 0..100 is taken to the nearer end.
void drawGauge(QImage& image, int percent, const GaugeColours& colours);

}  // namespace chromaflow
