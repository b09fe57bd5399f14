#pragma once
// The two charts of the settings window, drawn by Qt Charts from the data the settings hold:
// "Rotation rouleau" (the roller's pulses per m² against the paint flow, with the working point
// at the current thickness) and the analog output against the proportion. Each keeps its axes
// and series for the window's life; show() puts the settings' points in, in their order.

class QChartView;
class QLineSeries;
class QValueAxis;

namespace chromaflow {

struct SettingsCharts;

class RollerRotationChart {
 public:
  // The chart is drawn in `view`, which owns it.
  explicit RollerRotationChart(QChartView& view);

  void show(const SettingsCharts& charts);

 private:
  QValueAxis* flowAxis_;    // bottom: "Débit (l/m2)", 0..MaxDebit
  QValueAxis* pulsesAxis_;  // left: "pulses/m2", 0..Roul
  QLineSeries* theorique_;
  QLineSeries* pratique_;
};

class AnalogOutputChart {
 public:
  explicit AnalogOutputChart(QChartView& view);

  void show(const SettingsCharts& charts);

 private:
  QLineSeries* output_;
};

}  // namespace chromaflow
