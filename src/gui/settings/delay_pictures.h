#pragma once
// The three small pictures of the "Retard et filtre" tab that explain the hose and roller: along
// the path, the proportion reaching the roller after the asked proportion changes at the start.
// Nothing changes while the hose still lays the old paint (the delay, "Contenance du tuyau et du
// rouleau"), then the new paint's share rises along a straight ramp and flattens out as the hose
// mixes the old paint into the new (the filter, "Pouvoir de dilution"). The new paint is the red
// area under the curve, the old paint the green above it.
//
// The base picture shows the curve alone; the two others repeat it with an arrow spanning the
// delay or the width of the rise, and lie over the base while the pointer is on the setting
// they explain.

#include <QImage>
#include <QSize>

namespace chromaflow {

enum class DelayPicture { Base, Delay, Filter };

// The pictures' size in the window's pixels.
constexpr QSize kDelayPictureSize{120, 57};

// One of the pictures, drawn at `ratio` device pixels per window pixel for sharp high-density
// screens.
QImage drawDelayPicture(DelayPicture which, qreal ratio = 1);

}  // namespace chromaflow
