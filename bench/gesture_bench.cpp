// The operator's gestures on the largest plan (100 surfaces, 10,000 proportion rows), each as the
// window makes it: the session call, then the repaints it causes (processed events). The 20 ms
// reading cycle runs on the same thread: a gesture must be done within 16 ms so that no tick
// waits. The edit is undone after each measured gesture, untimed, so that every iteration edits
// the same plan.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <string>

#include "core/common/text_file.h"
#include "core/session/session.h"
#include "core/settings/settings_entry.h"
#include "gui/main/main_window.h"
#include "gui/plan/colour_window.h"
#include "gui/plan/plan_window.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/settings/settings_window.h"
#include "largest_plan.h"
#include "offscreen_program.h"
#include "support/scripted_asker.h"

namespace chromaflow {
namespace {

using bench::setupOn;

// The program on the example job's settings and colours with the largest plan opened, the main
// window shown at 1920 x 1040.
class LargestPlanProgram {
 public:
  LargestPlanProgram() : program_(setupOn(clock_, &asker_)) {
    program_.mainWindow().resize(1920, 1040);
    program_.mainWindow().show();
    QApplication::processEvents();
    asker_.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
    session().openProject(true);
    ColourTable colours;
    Plan plan{colours};
    bench::largestPlan(plan);
    const std::string file = folder_.filePath(QStringLiteral("largest.spv")).toStdString();
    writeTextFile(file, plan.fileLines());
    asker_.openAnswers.push_back(file);
    session().openPlan(true);
    session().planWindowLeft();
    QApplication::processEvents();
  }

  Session& session() { return program_.session(); }
  Program& program() { return program_; }
  testing::ScriptedAsker& asker() { return asker_; }
  std::string file(const char* name) const { return folder_.filePath(QString::fromUtf8(name)).toStdString(); }

  // Where row j's point stands on the proportion chart.
  PixelPoint pointOf(int j) {
    const MainViewSources sources = session().viewSources();
    const PathTables& tables = sources.path.tables();
    const PathModel& path = sources.path;
    return {path.SurfaceX(tables.D[j - 1], sources.view), path.ProportionY(tables.P[j - 1], sources.view)};
  }

  // The last row holding these cells, as an inserted row is found again.
  int rowOf(const std::string& distance, int proportion) {
    const Plan& plan = session().plan();
    for (int j = plan.proportionCount(); j >= 1; --j)
      if (plan.proportionCell(j, 1) == distance && plan.proportionOf(j) == proportion) return j;
    return 0;
  }

  // What is not the gesture (the windows brought up for it, the edit undone so that the next
  // iteration edits the same plan), done untimed with the repaints it causes.
  template <typename Work>
  void untimed(benchmark::State& state, Work&& work) {
    state.PauseTiming();
    work();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  void takeOut(benchmark::State& state, const std::string& distance, int proportion) {
    untimed(state, [&] { session().removeProportion(rowOf(distance, proportion)); });
  }
  void putBack(benchmark::State& state, const ProportionRow& removed) {
    untimed(state, [&] { session().appendProportion(removed[1], std::stoi(removed[2])); });
  }
  // Untimed, what comes before the row editor's button: the plan window shown, the editor opened
  // on a row, a distance typed.
  void openEditor(benchmark::State& state, int row, const std::string& distance) {
    untimed(state, [&] {
      program_.planWindow().show();
      program_.proportionEditor().openOnRow(row);
      session().setEditorDistance(distance);
    });
  }
  // The picker opened on the colour table's middle row (a double click on it).
  void openPicker() {
    session().openColourPicker(2);
    session().colourPickerActivated();
  }

  // False when the editor refused the row and stays open.
  bool pressEditorButton(const char* name) {
    ProportionEditorWindow& editor = program_.proportionEditor();
    editor.findChild<QPushButton*>(QString::fromUtf8(name))->click();
    QApplication::processEvents();
    return !editor.isVisible();
  }

 private:
  VirtualClock clock_;
  testing::ScriptedAsker asker_;
  QTemporaryDir folder_;
  Program program_;
};

// --- The proportion chart of the main window.

// A point near the path's start picked up and dropped some pixels to the right, then (the next
// iteration) back: 200 pixels pass some thousand rows, 1,500 take it near the path's end.
void ChartPointMove(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  const int row = session.plan().proportionCount() / 10;
  PixelPoint from = job.pointOf(row), to{from.x + static_cast<int>(state.range(0)), from.y};
  for (auto _ : state) {
    session.chartPointerMoved(from.x, from.y);
    session.chartButtonPressed();
    session.chartPointerMoved(to.x, to.y);
    session.chartButtonReleased(to.x, to.y);
    QApplication::processEvents();
    std::swap(from, to);
  }
}
BENCHMARK(ChartPointMove)->Arg(200)->Arg(1500)->Unit(benchmark::kMillisecond);

// The pointer moving over the chart, finding the point under it.
void ChartPointerMove(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  const PixelPoint at = job.pointOf(session.plan().proportionCount() / 2);
  int dx = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.chartPointerMoved(at.x + (dx ^= 1), at.y));
    QApplication::processEvents();
  }
}
BENCHMARK(ChartPointerMove)->Unit(benchmark::kMillisecond);

// "Insérer" from the pop-up at a place of the chart; the row is taken out again untimed.
void ChartInsert(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  PixelPoint at = job.pointOf(session.plan().proportionCount() / 3);
  at = {at.x + 3, at.y > 100 ? at.y - 40 : at.y + 40};
  const ProportionPoint point = pointAtPixel(session.viewSources(), at.x, at.y);
  for (auto _ : state) {
    session.chartPointerMoved(at.x, at.y);
    session.chartInsert();
    QApplication::processEvents();
    job.takeOut(state, point.distance, point.proportion);
  }
}
BENCHMARK(ChartInsert)->Unit(benchmark::kMillisecond);

// "Supprimer" from the pop-up opened over a point; the row is put back untimed.
void ChartDelete(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  const PixelPoint at = job.pointOf(session.plan().proportionCount() / 2);
  for (auto _ : state) {
    ProportionRow removed;
    job.untimed(state, [&] {
      session.chartPointerMoved(at.x, at.y);
      removed = session.plan().proportionRows()[session.chartEditing().PointRow - 1];
    });
    session.chartDelete();
    QApplication::processEvents();
    job.putBack(state, removed);
  }
}
BENCHMARK(ChartDelete)->Unit(benchmark::kMillisecond);

// --- The proportion row editor over the plan window.

// A distance no row of the largest plan has (its rows stand 2.5 cm apart): the editor takes it.
const std::string kFreeDistance = "1.24";

// The editor opened on a row of the plan window's grid (a double click on it).
void EditorOpens(benchmark::State& state) {
  LargestPlanProgram job;
  job.program().planWindow().show();
  QApplication::processEvents();
  int row = job.session().plan().proportionCount() / 2;
  for (auto _ : state) {
    job.program().proportionEditor().openOnRow(row ^= 1);
    QApplication::processEvents();
  }
}
BENCHMARK(EditorOpens)->Unit(benchmark::kMillisecond);

// "OK" on a row given a new distance, then back to the old one the next iteration.
void EditorOk(benchmark::State& state) {
  LargestPlanProgram job;
  const Plan& plan = job.session().plan();
  const int row = plan.proportionCount() / 2, proportion = plan.proportionOf(row);
  std::string there = plan.proportionCell(row, 1), elsewhere = kFreeDistance;
  for (auto _ : state) {
    job.openEditor(state, job.rowOf(there, proportion), elsewhere);
    if (!job.pressEditorButton("OKBtn")) state.SkipWithError("the editor refused the row");
    std::swap(there, elsewhere);
  }
}
BENCHMARK(EditorOk)->Unit(benchmark::kMillisecond);

// "Insérer" of a row at a new distance; the row is taken out again untimed.
void EditorInsert(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  for (auto _ : state) {
    job.openEditor(state, 1, kFreeDistance);
    const int proportion = session.proportionEditor().proportion();
    if (!job.pressEditorButton("InsertBtn")) state.SkipWithError("the editor refused the row");
    job.takeOut(state, kFreeDistance, proportion);
  }
}
BENCHMARK(EditorInsert)->Unit(benchmark::kMillisecond);

// "Supprimer" of a row; the row is put back untimed.
void EditorDelete(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  const int row = session.plan().proportionCount() / 2;
  for (auto _ : state) {
    const ProportionRow removed = session.plan().proportionRows()[row - 1];
    job.openEditor(state, row, removed[1]);
    if (!job.pressEditorButton("DeleteBtn")) state.SkipWithError("the editor refused the row");
    job.putBack(state, removed);
  }
}
BENCHMARK(EditorDelete)->Unit(benchmark::kMillisecond);

// --- The colour window and its picker.

// The largest plan's program with the colour window shown.
struct ColourWindowJob : LargestPlanProgram {
  ColourWindowJob() {
    program().colourWindow().show();
    QApplication::processEvents();
  }
};

// The picker opened on the middle row of the colour table (a double click on it).
void ColourPickerOpens(benchmark::State& state) {
  ColourWindowJob job;
  for (auto _ : state) {
    job.openPicker();
    QApplication::processEvents();
  }
}
BENCHMARK(ColourPickerOpens)->Unit(benchmark::kMillisecond);

// The picker's "OK" on the middle row with its red changed.
void ColourPickerOk(benchmark::State& state) {
  ColourWindowJob job;
  Session& session = job.session();
  int red = session.colours().rows()[1].R;
  for (auto _ : state) {
    job.untimed(state, [&] {
      job.openPicker();
      session.setPickerComponent(Component::Red, red ^= 1);
    });
    session.colourPickerButton(EditorButton::Ok);
    QApplication::processEvents();
  }
}
BENCHMARK(ColourPickerOk)->Unit(benchmark::kMillisecond);

// The picker's "Supprimer" on the middle row; the row is put back untimed.
void ColourPickerDelete(benchmark::State& state) {
  ColourWindowJob job;
  Session& session = job.session();
  const ColourRow middle = session.colours().rows()[1];
  for (auto _ : state) {
    job.untimed(state, [&] { job.openPicker(); });
    session.colourPickerButton(EditorButton::Delete);
    QApplication::processEvents();
    job.untimed(state, [&] { session.addColourRow(middle); });
  }
}
BENCHMARK(ColourPickerDelete)->Unit(benchmark::kMillisecond);

// --- The settings window.

// A value panel entered with another value, then back to the first the next iteration.
void settingsEntry(benchmark::State& state, SettingsPanel panel, std::string other) {
  LargestPlanProgram job;
  Session& session = job.session();
  job.program().settingsWindow().show();
  QApplication::processEvents();
  std::string now = panelText(session.settings(), panel);
  for (auto _ : state) {
    session.enterSettingsPanel(panel, other);
    QApplication::processEvents();
    std::swap(now, other);
  }
}
void SettingsHoseDelay(benchmark::State& state) { settingsEntry(state, SettingsPanel::EditRetard, "1.10"); }
BENCHMARK(SettingsHoseDelay)->Unit(benchmark::kMillisecond);
void SettingsMixingVolume(benchmark::State& state) { settingsEntry(state, SettingsPanel::EditFiltre, "1.60"); }
BENCHMARK(SettingsMixingVolume)->Unit(benchmark::kMillisecond);
void SettingsLitresPerM2(benchmark::State& state) { settingsEntry(state, SettingsPanel::EditLitreM2, "0.25"); }
BENCHMARK(SettingsLitresPerM2)->Unit(benchmark::kMillisecond);

// The settings window left after an entry: the main window's proportion views follow the new
// settings then. Showing it again is not counted.
void SettingsWindowLeft(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  SettingsWindow& window = job.program().settingsWindow();
  std::string now = panelText(session.settings(), SettingsPanel::EditFiltre), other = "1.60";
  for (auto _ : state) {
    job.untimed(state, [&] {
      window.show();
      session.enterSettingsPanel(SettingsPanel::EditFiltre, other);
      std::swap(now, other);
    });
    window.done(QDialog::Accepted);
    QApplication::processEvents();
  }
}
BENCHMARK(SettingsWindowLeft)->Unit(benchmark::kMillisecond);

// --- The project.

// "Ouvrir..." of the project holding the largest plan, to the main window repainted.
void ProjectOpen(benchmark::State& state) {
  LargestPlanProgram job;
  Session& session = job.session();
  const std::string file = job.file("largest.prv");
  job.asker().saveAnswers.push_back(file);
  session.saveProject(true);
  for (auto _ : state) {
    job.asker().openAnswers.push_back(file);
    session.openProject(true);
    QApplication::processEvents();
  }
  state.counters["rows"] = session.plan().proportionCount();
}
BENCHMARK(ProjectOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chromaflow
