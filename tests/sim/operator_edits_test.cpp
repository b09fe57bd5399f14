// The operator's edits replayed headless: each action family against the saved files and the
// trace rows it must give, and the replay reader's values.

#include "sim/harness/operator_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "sim/harness/simulation.h"
#include "support/test_files.h"

namespace chromaflow::sim {
namespace {

using testing::TempDir;

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";

std::vector<ReplayStep> stepsOf(const std::vector<std::string>& lines) {
  auto parsed = parseReplay(lines);
  EXPECT_TRUE(std::holds_alternative<std::vector<ReplayStep>>(parsed)) << std::get<std::string>(parsed);
  return std::get<std::vector<ReplayStep>>(parsed);
}

// The lines of a saved file without their line ends.
std::vector<std::string> linesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(testing::readBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A session on the example job (or none), started as the program starts, and replay lines of
// actions run on it.
class EditRun {
 public:
  explicit EditRun(const std::string& project = kExample) {
    if (!project.empty()) simulation.openProject(project);
    simulation.start();
  }

  // Each action on a line of its own ("0000;0;ACTION"); what the replay printed.
  std::string act(const std::vector<std::string>& actions) {
    std::vector<std::string> lines;
    for (const std::string& action : actions) lines.push_back("0000;0;" + action);
    std::ostringstream messages;
    for (const ReplayStep& step : stepsOf(lines)) simulation.replay(step, messages);
    return messages.str();
  }

  // The project saved in `dir` as "En&registrer sous..." does; the lines of one of its files.
  std::vector<std::string> saved(const TempDir& dir, const std::string& extension) {
    simulation.saveProjectAs(dir.file("edited.prv"));
    return linesOf(dir.file("edited" + extension));
  }

  // The proportion rows as "distance;proportion".
  std::vector<std::string> proportionRows() const {
    std::vector<std::string> rows;
    for (const auto& row : simulation.session().plan().proportionRows()) rows.push_back(row[1] + ";" + row[2]);
    return rows;
  }

  // Where the chart draws the point of proportion row j.
  std::pair<int, int> pointPixel(int j) const {
    const Session& s = simulation.session();
    const PathTables& tables = s.path().tables();
    const ViewMetrics& view = s.control().view();
    return {s.path().SurfaceX(tables.D.at(j - 1), view), s.path().ProportionY(tables.P.at(j - 1), view)};
  }

  std::string traceCell(const std::string& heading) const {
    const auto headings = testing::csvCells(simulation.traceHeader());
    const auto cells = testing::csvCells(simulation.traceRow());
    const auto at = std::find(headings.begin(), headings.end(), heading) - headings.begin();
    return cells.at(static_cast<std::size_t>(at));
  }

  Simulation simulation;
};

std::string pointMove(std::pair<int, int> from, std::pair<int, int> to) {
  return "point-move=" + std::to_string(from.first) + ":" + std::to_string(from.second) + ":" +
         std::to_string(to.first) + ":" + std::to_string(to.second);
}

TEST(ReplayActions, ValuesArePercentDecodedAndWrittenBackEncoded) {
  const auto steps = stepsOf({"0000;0;panel=EditRetard:2%2C5,surface-ok=3:%201.5:4%3a0,correction=PCorrectMin:%25"});
  ASSERT_EQ(steps.at(0).actions.size(), 3u);
  EXPECT_EQ(steps[0].actions[0].values, (std::vector<std::string>{"EditRetard", "2,5"}));
  EXPECT_EQ(steps[0].actions[1].values, (std::vector<std::string>{"3", " 1.5", "4:0"}));
  EXPECT_EQ(steps[0].actions[2].values, (std::vector<std::string>{"PCorrectMin", "%"}));

  const ReplayAction awkward{ReplayAction::Kind::Panel, {"Zero", "a,b:c;d%e f\tg"}};
  EXPECT_EQ(actionText(awkward), "panel=Zero:a%2Cb%3Ac%3Bd%25e%20f%09g");
  const auto again = stepsOf(formatReplay({{0x0041, 7, {awkward}, 1}}));
  EXPECT_EQ(again.at(0).actions.at(0), awkward);
}

TEST(ReplayActions, AMalformedActionIsAnErrorNamingItsLine) {
  const std::pair<std::string, std::string> malformed[] = {
      {"surface-ok=1:2", "valeurs"},                // a value missing
      {"point-move=1:2:3:4.5", "nombre entier"},    // pixels are whole
      {"prop-ok=1:5:x", "nombre entier"},           // so is a proportion
      {"panel=EditNothing:1", "aucun panneau"},     // a panel the settings window lacks
      {"spin=EditRetard:1", "aucun champ"},
      {"correction=Zero:1", "aucun paramètre"},
      {"panel=Zero:2%2", "deux chiffres hexadécimaux"},
      {"panel=Zero:%G0", "deux chiffres hexadécimaux"},
      {"hose-state=half", "full ou empty"},
      {"anticipation=yes", "on ou off"},
      {"preset=1", "action inconnue"},              // "<=" takes no value
      {"point-insert", "action inconnue"},          // and a pointer gesture needs its pixel
  };
  for (const auto& [action, why] : malformed) {
    const auto parsed = parseReplay({"# edits", "0000;0;start," + action});
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << action;
    const std::string& message = std::get<std::string>(parsed);
    EXPECT_EQ(message.rfind("ligne 2 : ", 0), 0u) << message;
    EXPECT_NE(message.find(why), std::string::npos) << message;
  }
}

TEST(ChartGestures, APointIsPickedUpOnlyLessThanTenPixelsAwayBothWays) {
  struct Case {
    int dx, dy;
    bool picked;
  };
  for (const Case c : {Case{9, 0, true}, Case{0, -9, true}, Case{9, 9, true}, Case{10, 0, false},
                       Case{0, 10, false}, Case{-10, 5, false}}) {
    EditRun run;
    const auto [x, y] = run.pointPixel(2);  // 4.00 m, 30 %
    const auto before = run.proportionRows();
    EXPECT_EQ(run.act({pointMove({x + c.dx, y + c.dy}, {x + c.dx, y + c.dy - 40})}), "");
    if (c.picked) {
      EXPECT_NE(run.proportionRows(), before) << c.dx << "," << c.dy;
      EXPECT_FALSE(has(run.proportionRows(), "4.00;30"));
    } else {
      EXPECT_EQ(run.proportionRows(), before) << c.dx << "," << c.dy;
    }
  }
}

TEST(ChartGestures, APointDraggedPastItsNeighbourIsSortedAfterIt) {
  TempDir dir;
  EditRun run;
  const auto from = run.pointPixel(2);  // 4.00 m, 30 %
  // 500 pixels of 625 along 14 m of wall: 11.20 m; the pixel's height keeps 30 %.
  run.act({pointMove(from, {500, from.second})});
  EXPECT_EQ(run.proportionRows(), (std::vector<std::string>{"0.00;0", "9.00;100", "11.20;30", "14.00;60"}));
  const auto plan = run.saved(dir, ".spv");
  EXPECT_TRUE(has(plan, "2;9.00;100;2631830;150;40;40"));
  EXPECT_TRUE(has(plan, "3;11.20;30;7647466;234;176;116"));
}

TEST(ChartGestures, ARightClickReplacesThePointUnderItAndInsertsWhereItWasMade) {
  EditRun run;
  // Away from every point: "Insérer" adds a row at the pointer, 100 px of 625 along 14 m and
  // 50 px down the 116 px of 0..100 %.
  run.act({"point-insert=100:50"});
  EXPECT_TRUE(has(run.proportionRows(), "2.24;57"));
  EXPECT_EQ(run.proportionRows().size(), 5u);

  // Three pixels right of a point: the click picks it up and lays it on its own pixel, then
  // "Insérer" adds a second row there.
  EditRun beside;
  const auto [x, y] = beside.pointPixel(2);
  beside.act({"point-insert=" + std::to_string(x + 3) + ":" + std::to_string(y)});
  const std::string replaced = beside.proportionRows().at(1);
  EXPECT_NE(replaced, "4.00;30");
  EXPECT_EQ(replaced.substr(replaced.find(';')), ";30");
  EXPECT_EQ(beside.proportionRows().at(2), replaced);

  // "Supprimer" removes the point under the pointer; away from every point it removes nothing.
  EditRun removing;
  const auto [x3, y3] = removing.pointPixel(3);  // 9.00 m, 100 %
  removing.act({"point-delete=" + std::to_string(x3) + ":" + std::to_string(y3)});
  EXPECT_EQ(removing.proportionRows(), (std::vector<std::string>{"0.00;0", "4.00;30", "14.00;60"}));
  removing.act({"point-delete=300:20"});
  EXPECT_EQ(removing.proportionRows().size(), 3u);
}

TEST(ChartGestures, InsertingNeedsASurface) {
  EditRun run("");
  run.act({"prop-ok=1:2:50", "point-insert=100:50"});
  EXPECT_EQ(run.proportionRows(), std::vector<std::string>{"2.00;50"});
}

TEST(BarGestures, TheTravelledAndHoseMarkersFollowTheirDrags) {
  EditRun run;
  // The empty hose's marker at 0 of 70 px, dragged to 35: half of the hose's 1 l.
  run.act({"hose-drag=0:35"});
  EXPECT_EQ(run.traceCell("HoseFill"), "0.5");
  // The travelled marker at 0, dragged to 312 of 625 px along 14 m: 6.99 m travelled.
  run.act({"travelled-drag=0:312"});
  EXPECT_EQ(run.traceCell("Distance"), "6.98880005");
  EXPECT_EQ(run.traceCell("LReste"), "7.0");
  // Once the roller has travelled, the hose marker stays where it is.
  run.act({"hose-drag=35:70"});
  EXPECT_EQ(run.traceCell("HoseFill"), "1");
  // A press away from the travelled marker moves nothing.
  run.act({"travelled-drag=100:600"});
  EXPECT_EQ(run.traceCell("Distance"), "6.98880005");
}

TEST(SurfaceEditor, RowsAreWrittenInsertedAndRemovedAsInThePlanWindow) {
  TempDir dir;
  EditRun run("");
  EXPECT_EQ(run.act({"surface-ok=1:2.5:4", "surface-ok=2:2.5:3", "surface-ok=3:1.234:2", "surface-insert=2:1.5:2"}), "");
  EXPECT_EQ(run.traceCell("LReste"), "11.0");
  const auto plan = run.saved(dir, ".spv");
  EXPECT_TRUE(has(plan, "1;2.50;4.00;10.00;4.00;10.00"));
  EXPECT_TRUE(has(plan, "2;1.50;2.00;3.00;6.00;13.00"));
  EXPECT_TRUE(has(plan, "3;2.50;3.00;7.50;9.00;20.50"));
  EXPECT_TRUE(has(plan, "4;1.23;2.00;2.46;11.00;22.96"));  // the height rewritten in two decimals

  // "Suppression" (no area) leaves the table as it was.
  const auto surfaces = run.simulation.session().plan().surfaceCount();
  run.act({"surface-ok=2:0:3", "surface-ok=5:abc:3", "surface-insert=1:2%2C5%2C1:3"});
  EXPECT_EQ(run.simulation.session().plan().surfaceCount(), surfaces);
  EXPECT_EQ(run.saved(dir, ".spv"), plan);

  run.act({"surface-delete=1"});
  EXPECT_EQ(run.traceCell("LReste"), "7.0");
  run.act({"surface-delete-all=2"});
  EXPECT_EQ(run.simulation.session().plan().surfaceCount(), 0);
  EXPECT_EQ(run.traceCell("LReste"), "0.0");
}

TEST(SurfaceEditor, ARowTheTableDoesNotShowIsReportedAndChangesNothing) {
  EditRun run;
  const std::string printed = run.act({"surface-ok=6:1:1", "prop-delete=0", "colour-delete=5"});
  EXPECT_NE(printed.find("ligne 1 : surface-ok=6:1:1 : le tableau n'a pas de ligne 6 (1 à 5"), std::string::npos);
  EXPECT_NE(printed.find("ligne 2 : prop-delete=0 :"), std::string::npos);
  EXPECT_NE(printed.find("ligne 3 : colour-delete=5 :"), std::string::npos);
  EXPECT_EQ(run.simulation.session().plan().surfaceCount(), 4);
  EXPECT_EQ(run.simulation.session().colours().rows().size(), 3u);
}

TEST(ProportionEditor, ADuplicateDistanceIsWarnedAndTheEditorCancelled) {
  TempDir dir;
  EditRun run;
  EXPECT_EQ(run.act({"prop-ok=5:5:40"}), "");
  const auto rows = run.proportionRows();
  EXPECT_EQ(run.act({"prop-ok=5:5:50", "prop-insert=1:5.000:20", "prop-ok=2::30"}),
            "line 1: warning: Une autre proportion est déjà définie à la distance 5.00 mètres. Try an other.\n"
            "line 2: warning: Une autre proportion est déjà définie à la distance 5.00 mètres. Try an other.\n"
            "line 3: warning: Veuillez entrer une distance\n");
  EXPECT_EQ(run.proportionRows(), rows);
  // Rewriting a row at its own distance is no duplicate.
  EXPECT_EQ(run.act({"prop-ok=3:5:45"}), "");
  EXPECT_TRUE(has(run.proportionRows(), "5.00;45"));

  // Without the colour of its proportion, a row is stored white.
  run.act({"colour-delete-all=1", "prop-ok=6:6:70"});
  const auto plan = run.saved(dir, ".spv");
  EXPECT_TRUE(std::any_of(plan.begin(), plan.end(),
                          [](const std::string& line) { return line.ends_with(";6.00;70;16777215;255;255;255"); }));
  run.act({"prop-delete=1"});
  EXPECT_EQ(run.proportionRows().front(), "4.00;30");
  run.act({"prop-delete-all=1"});
  EXPECT_TRUE(run.proportionRows().empty());
}

TEST(ColourPicker, ADuplicateProportionIsWarnedOncePerRowHoldingIt) {
  TempDir dir;
  testing::writeBytes(dir.file("twice.cov"), testing::crlf({";Proportions (%);RGB;R;G;B", "1;20;0;0;0;0",
                                                              "2;50;0;0;0;0", "3;50;0;0;0;0", "4;80;0;0;0;0"}));
  testing::writeBytes(dir.file("twice.prv"), testing::crlf({"twice.sev", "twice.spv", "twice.cov"}));
  // Its siblings all there, so that the open has nothing to report.
  for (const char* sibling : {".sev", ".spv"})
    testing::writeBytes(dir.file(std::string("twice") + sibling),
                        testing::readBytes(std::string(CHROMAFLOW_EXAMPLES) + "/wall" + sibling));
  EditRun run(dir.file("twice.prv"));
  const std::string warning = "line 1: warning: La proportion : 50% existe déjà. Essayer un autre.\n";
  EXPECT_EQ(run.act({"colour-ok=1:50:1:2:3"}), warning + warning);
  // Row 2 keeps its proportion: only row 3 holds it besides.
  EXPECT_EQ(run.act({"colour-ok=2:50:10:20:30"}),
            "line 1: warning: La proportion : 50% existe déjà. Essayer un autre.\n");
  EXPECT_EQ(run.act({"colour-ok=5:65:10:20:30", "colour-delete=1"}), "");
  const auto colours = run.saved(dir, ".cov");
  EXPECT_TRUE(has(colours, "3;65;1971210;10;20;30"));
  EXPECT_EQ(colours.size(), 5u);  // the heading and four rows: 50, 50, 65, 80
  // The gauge and the proportion rows follow the new colours.
  run.act({"colour-delete-all=1"});
  EXPECT_TRUE(run.simulation.session().colours().rows().empty());
}

TEST(SettingsEntries, PanelsSpinsAndPresetAsInTheSettingsWindow) {
  TempDir dir;
  EditRun run;
  const SettingsDocument& settings = run.simulation.session().settings();
  // m²/litre 7: 0.14 l/m² laid, 7.14 m²/l shown back, 1.4 in the thickness panel.
  EXPECT_EQ(run.act({"panel=EditM2Litre:7"}), "");
  EXPECT_EQ(panelText(settings, SettingsPanel::EditLitreM2), "0.14");
  EXPECT_EQ(panelText(settings, SettingsPanel::EditM2Litre), "7.14");
  EXPECT_EQ(panelText(settings, SettingsPanel::EditMicron), "1.4");

  // A text that is no number is refused by the entry: nothing changes and nothing is printed.
  const std::string delay = panelText(settings, SettingsPanel::EditRetard);
  EXPECT_EQ(run.act({"panel=EditRetard:2%2C5%2C1", "panel=EditRetard:"}), "");
  EXPECT_EQ(panelText(settings, SettingsPanel::EditRetard), delay);

  run.act({"panel=PConsigne:300", "spin=SpinEditRoul:300", "spin=SpinEditP1trl:180", "spin=SpinEditP2trl:x"});
  auto file = run.saved(dir, ".sev");
  EXPECT_TRUE(has(file, "Analog input: P Consigne (bar)=200.0"));  // the sensor's maximum
  EXPECT_TRUE(has(file, "Rouleau(Pulses/m2) sec=200"));            // spin fields hold 1..200
  EXPECT_TRUE(has(file, "Pompe P1(trs/l)=180"));
  EXPECT_TRUE(has(file, "Pompe P2(trs/l)=220"));

  // "<=": (1 - 0.14 / 0.28) x 100 = 50, and 1 when the paint laid is the most the roller takes.
  EditRun preset;
  preset.act({"spin=SpinEditPulseM2:120", "preset"});
  EXPECT_EQ(preset.simulation.session().settings().settings().PulseM2, 50);
  EXPECT_EQ(preset.simulation.session().main().PulseM2, "50");
  preset.act({"panel=EditLitreM2:0.28", "preset"});
  EXPECT_EQ(preset.simulation.session().settings().settings().PulseM2, 1);
}

TEST(CorrectionEntries, ParameterPanelsTakeWhatTheirDialogTakes) {
  EditRun run;
  EXPECT_EQ(run.act({"correction=PCorrectMax:0.5", "correction=PCorrectMaxPct:8", "correction=PCorrectMin:2",
                     "correction=CorrectPStop:2%2C5"}),
            "");
  const CorrectionFigures& figures = run.simulation.session().correction();
  EXPECT_EQ(figures.PCorrectMax, "0.5");
  EXPECT_EQ(figures.PCorrectMaxPct, "8");
  EXPECT_EQ(figures.PCorrectMin, "0.0");   // beyond 1: refused without a word
  EXPECT_EQ(figures.CorrectPStop, "2.5");  // a comma as the decimal separator
}

TEST(InitialConditions, HoseStateStartProportionAndAnticipationAsThePlanWindowSetsThem) {
  TempDir dir;
  EditRun run;
  // An empty hose has no proportion of its own and always anticipates.
  run.act({"start-proportion=40", "anticipation=off"});
  auto plan = run.saved(dir, ".spv");
  EXPECT_TRUE(has(plan, "Proportions initiales=0"));
  EXPECT_TRUE(has(plan, "Anticipation=Yes"));

  run.act({"hose-state=full", "start-proportion=40", "anticipation=off", "mixing-lead=on"});
  plan = run.saved(dir, ".spv");
  EXPECT_TRUE(has(plan, "Etat tuyau=plein"));
  EXPECT_TRUE(has(plan, "Proportions initiales=40"));
  EXPECT_TRUE(has(plan, "Anticipation=No"));
  EXPECT_TRUE(has(plan, "Compensation du m\xe9lange=Yes"));

  // Back to empty: anticipation comes back on.
  run.act({"hose-state=empty"});
  EXPECT_TRUE(has(run.saved(dir, ".spv"), "Anticipation=Yes"));
}

}  // namespace
}  // namespace chromaflow::sim
