#pragma once
// A job's chart of the proportion asked and laid along the path, as SVG for the foreman's pages:
// drawn by the job sheet's own drawing code, so that the page and the PDF agree.

#include <QByteArray>

namespace chromaflow {
class JobRecord;
struct JobVerdict;
}  // namespace chromaflow

namespace chromaflow::web {

// The chart `widthMm` millimetres wide, as on the sheet (it is then scaled to the page).
QByteArray proportionChartSvg(const JobRecord& record, const JobVerdict& verdict, double widthMm = 180);

}  // namespace chromaflow::web
