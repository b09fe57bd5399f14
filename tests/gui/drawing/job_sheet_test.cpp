// The job sheet of jobs painted by the simulated machine, read back with poppler's pdfinfo and
// pdftotext as a client's PDF reader would.

#include "gui/drawing/job_sheet.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/display_forms.h"
#include "core/common/text_file.h"
#include "gui/drawing/job_sheet_figures.h"
#include "sim/harness/simulation.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using sim::Simulation;
using testing::TempDir;

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";

std::string output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

int pageCount(const std::string& pdf) {
  std::smatch match;
  const std::string info = output("pdfinfo '" + pdf + "'");
  static const std::regex pages("Pages:\\s+(\\d+)");
  return std::regex_search(info, match, pages) ? std::stoi(match[1]) : -1;
}

// The text of each page, columns kept on their lines.
std::vector<std::string> pageTexts(const std::string& pdf) {
  std::vector<std::string> pages;
  std::stringstream all(output("pdftotext -layout -enc UTF-8 '" + pdf + "' -"));
  std::string page;
  for (std::string line; std::getline(all, line);) {
    const auto feed = line.find('\f');
    if (feed == std::string::npos) {
      page += line + "\n";
      continue;
    }
    page += line.substr(0, feed);
    pages.push_back(page);
    page = line.substr(feed + 1) + "\n";
  }
  return pages;
}

// The line of `text` holding `key`, or an empty text.
std::string lineWith(const std::string& text, const std::string& key) {
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.find(key) != std::string::npos) return line;
  return {};
}

// Whether `line` holds the words one after another.
bool inOrder(const std::string& line, const std::vector<std::string>& words) {
  std::size_t at = 0;
  for (const std::string& word : words) {
    at = line.find(word, at);
    if (at == std::string::npos) return false;
    at += word.size();
  }
  return true;
}

std::size_t occurrences(const std::string& text, const std::string& key) {
  std::size_t n = 0;
  for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) ++n;
  return n;
}

void paintToTheEnd(Simulation& simulation) {
  simulation.start();
  simulation.startMachine({});
  while (!simulation.machineFinished()) simulation.tick();
}

// Every page says its number and the count in its footer, and the count is the file's.
void expectFooters(const std::vector<std::string>& pages) {
  const std::string count = std::to_string(pages.size());
  for (std::size_t i = 0; i < pages.size(); ++i)
    EXPECT_NE(pages[i].find("Page " + std::to_string(i + 1) + " / " + count), std::string::npos) << "page " << i + 1;
}

// Each surface's row: its span, then what was asked and delivered, as the record holds them.
void expectSurfaceRows(const std::string& text, const JobRecord& record) {
  for (const RecordedStretch& s : record.surfaces()) {
    const std::string span = F2(s.from) + " – " + F2(s.to);
    const std::string line = lineWith(text, span);
    ASSERT_FALSE(line.empty()) << span;
    EXPECT_TRUE(inOrder(line, {span, F1(s.areaPainted), F2(s.askedP1), F2(s.deliveredP1), F2(s.askedP2),
                               F2(s.deliveredP2), F1(s.askedProportion()), F1(s.laidProportion())}))
        << line;
    EXPECT_EQ(occurrences(text, span), 1u) << span;
  }
}

TEST(JobSheet, TheExampleJobReadsWithItsFiguresSurfaceBySurface) {
  TempDir folder;
  Simulation simulation;
  simulation.openProject(kExample);
  paintToTheEnd(simulation);
  const JobRecord& record = simulation.session().jobRecord();
  ASSERT_EQ(record.surfaces().size(), 4u);
  ASSERT_FALSE(record.alarms().empty());

  const std::string pdf = folder.file("rapport.pdf");
  writeJobSheet(simulation.session(), pdf);
  // Page 1 the heading, the wall, the totals and the surfaces; page 2 the chart and the alarms.
  EXPECT_EQ(pageCount(pdf), 2);
  EXPECT_NE(output("pdfinfo '" + pdf + "'").find("Rapport de chantier - wall.prv"), std::string::npos);
  const std::vector<std::string> pages = pageTexts(pdf);
  ASSERT_EQ(pages.size(), 2u);
  expectFooters(pages);

  const std::string& first = pages[0];
  EXPECT_NE(first.find("Rapport de chantier"), std::string::npos);
  EXPECT_NE(first.find("Projet : wall.prv"), std::string::npos);
  EXPECT_NE(first.find("Mur du hall d'entrée, côté rue."), std::string::npos);
  EXPECT_NE(first.find("Exporté le"), std::string::npos);
  std::string all;
  for (const std::string& page : pages) all += page;
  expectSurfaceRows(all, record);

  // The totals: the wall's litres, the hose's leftover apart, and everything the pumps gave.
  const RecordedStretch total = record.totals();
  const RecordedStretch& hose = record.beyondEnd();
  EXPECT_TRUE(inOrder(lineWith(first, "Livré par les pompes"),
                      {F2(total.deliveredP1), F2(total.deliveredP2), F2(total.deliveredP1 + total.deliveredP2)}));
  EXPECT_TRUE(inOrder(lineWith(first, "Resté dans le tuyau"), {F2(hose.deliveredP1), F2(hose.deliveredP2)}));
  EXPECT_GT(hose.deliveredP1 + hose.deliveredP2, 0.9);
  EXPECT_TRUE(inOrder(lineWith(first, "Surface peinte :"), {F1(total.areaPainted) + " m²"}));
  EXPECT_TRUE(inOrder(lineWith(first, "Distance parcourue :"), {F2(total.distancePainted) + " m", "14.00 m"}));

  // The headline is the verdict, at the tolerance the session judges at; the correction's
  // indicators, raised all the same, stand apart under their own heading after the chart.
  EXPECT_NE(lineWith(first, "Proportion tenue à ±2 points sur").find(" m peints."), std::string::npos) << first;
  EXPECT_LT(first.find("Proportion tenue"), first.find("Le mur"));
  EXPECT_GT(all.find("Indicateurs de la correction (seuils fins)"), all.find("Proportion le long du chemin"));

  simulation.session().setVerdictTolerance(5);
  writeJobSheet(simulation.session(), pdf);
  EXPECT_FALSE(lineWith(pageTexts(pdf).at(0), "Proportion tenue à ±5 points sur").empty());
}

TEST(JobSheet, AHundredSurfacesGoOnOverPagesWithTheirHeadingRepeated) {
  TempDir folder;
  Simulation simulation;
  simulation.openProject(kExample);
  Session& session = simulation.session();
  session.clearSurfaces();
  for (int i = 0; i < kMaxSurfaces; ++i)
    ASSERT_TRUE(session.appendSurface({1.0f + 0.5f * static_cast<float>(i % 3), 0.4f}));
  session.clearProportions();
  session.appendProportion("0", 0);
  session.appendProportion("20", 100);
  session.appendProportion("40", 30);
  // A line of the user text longer than the page is wrapped, not cut.
  std::string longLine;
  for (int i = 1; i <= 40; ++i) longLine += "mot" + std::to_string(i) + " ";
  session.setUserText({"Couloir du sous-sol", longLine + "terminé."});
  paintToTheEnd(simulation);
  ASSERT_EQ(session.jobRecord().surfaces().size(), 100u);

  const std::string pdf = folder.file("cent.pdf");
  writeJobSheet(session, pdf);
  const std::vector<std::string> pages = pageTexts(pdf);
  EXPECT_EQ(pageCount(pdf), static_cast<int>(pages.size()));
  ASSERT_GE(pages.size(), 4u);
  expectFooters(pages);
  std::string all;
  for (const std::string& page : pages) all += page;
  expectSurfaceRows(all, session.jobRecord());
  for (const std::string word : {"Couloir du sous-sol", "mot1 ", "mot20 ", "mot40 terminé."})
    EXPECT_NE(pages[0].find(word), std::string::npos) << word;

  // The table starts under the totals and goes on over the next pages, each with its heading;
  // the totals row closes it once.
  EXPECT_EQ(occurrences(all, "Détail par surface\n"), 1u);
  const std::size_t continued = occurrences(all, "Détail par surface (suite)");
  EXPECT_GE(continued, 1u);
  EXPECT_EQ(occurrences(all, "Correction"), continued + 1);
  for (const std::string& page : pages)
    if (page.find("Détail par surface (suite)") != std::string::npos) {
      EXPECT_NE(page.find("Correction"), std::string::npos);
      EXPECT_NE(page.find("– "), std::string::npos) << "a continued page holds rows";
    }
  EXPECT_FALSE(lineWith(all, "Total ").empty());
}

TEST(JobSheet, ASlowJobsManyIndicatorsTakeOneRowPerKind) {
  TempDir folder;
  Simulation simulation;
  simulation.openProject(kExample);
  // At 1 m/min the pumps' few pulses a second raise the fine indicators again and again.
  simulation.start();
  simulation.startMachine({.speedMetresPerMinute = 1});
  while (!simulation.machineFinished()) simulation.tick();
  const JobRecord& record = simulation.session().jobRecord();
  ASSERT_GT(record.alarms().size(), 100u);
  std::map<std::string, std::vector<RecordedAlarm>> kinds;
  for (const RecordedAlarm& a : record.alarms()) kinds[alarmCaption(a.alarm)].push_back(a);
  ASSERT_GE(kinds.size(), 2u);

  const std::string pdf = folder.file("lent.pdf");
  writeJobSheet(simulation.session(), pdf);
  const std::vector<std::string> pages = pageTexts(pdf);
  // The same two pages as the same wall painted at 10 m/min.
  EXPECT_EQ(pages.size(), 2u);
  expectFooters(pages);
  std::string all;
  for (const std::string& page : pages) all += page;
  EXPECT_EQ(occurrences(all, "Alarme: "), kinds.size()) << all;
  // Each kind: when and where first raised, how many times, how long shown in all, the longest.
  for (const auto& [caption, entries] : kinds) {
    int raisings = 0;
    std::int64_t shown = 0, longest = 0;
    for (const RecordedAlarm& a : entries) {
      raisings += a.raisings;
      shown += a.durationMilliseconds;
      longest = std::max(longest, a.durationMilliseconds);
    }
    const std::string line = lineWith(all, caption + "  ");
    EXPECT_TRUE(inOrder(line, {caption, F2(entries.front().startDistance), std::to_string(raisings),
                               F1(static_cast<double>(shown) / 1000), F1(static_cast<double>(longest) / 1000)}))
        << line;
  }
}

TEST(JobSheet, AShortLastStretchIsLaidWithThePointBeforeIt) {
  // Along the example's path, each bin of the profile laid half P1 half P2, 60 pulses; of the
  // last three, the first got only the pumps' last two pulses, both P2's, and nothing after them.
  Simulation simulation;
  simulation.openProject(kExample);
  const PathModel& path = simulation.session().path();
  JobTick tick{.pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220};
  JobRecord record;
  record.restart(path, tick);
  const std::vector<RecordedStretch> bins = record.profile();
  for (const RecordedStretch& bin : bins) {
    tick.milliseconds += 100;
    tick.distance = tick.anticipatedDistance = (bin.from + bin.to) / 2;
    const std::size_t left = static_cast<std::size_t>(&bins.back() - &bin);
    tick.pulsesP1 += left < 3 ? 0 : 30;
    tick.pulsesP2 += left < 3 ? (left == 2 ? 2 : 0) : 30;
    record.record(tick, path);
  }
  ASSERT_EQ(record.profile()[bins.size() - 3].pulsesP2, 2);

  const std::vector<QPolygonF> laid = laidProportionSeries(record);
  ASSERT_EQ(laid.size(), 1u);
  ASSERT_GT(laid[0].size(), 300);
  for (const QPointF& point : laid[0]) EXPECT_NEAR(point.y(), 50, 3) << point.x() << " m";
  EXPECT_GT(laid[0].back().x(), bins[bins.size() - 12].from) << "the line goes on to the last paint laid";
  EXPECT_LT(laid[0].back().x(), bins[bins.size() - 2].from) << "and not over what was not laid";
}

TEST(JobSheet, AFailedWriteLeavesTheOldFileAsItWas) {
  TempDir folder;
  Simulation simulation;
  simulation.openProject(kExample);
  paintToTheEnd(simulation);

  const std::string pdf = folder.file("rapport.pdf");
  testing::writeBytes(pdf, "ancienne fiche");
  ::chmod(pdf.c_str(), 0444);
  const auto before = testing::folderContents(folder.path());
  try {
    writeJobSheet(simulation.session(), pdf);
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find(pdf), std::string::npos) << e.what();
  }
  EXPECT_EQ(testing::folderContents(folder.path()), before) << "nothing changed, no temporary file left";

  // A folder, or a name in a folder that does not exist, is no file to write.
  std::filesystem::create_directory(folder.file("dossier"));
  for (const std::string& target : {folder.file("dossier"), folder.file("manque/rapport.pdf")}) {
    try {
      writeJobSheet(simulation.session(), target);
      ADD_FAILURE() << target;
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
    }
  }

  // A writable file is replaced whole.
  ::chmod(pdf.c_str(), 0644);
  writeJobSheet(simulation.session(), pdf);
  EXPECT_EQ(testing::readBytes(pdf).rfind("%PDF-", 0), 0u);
  EXPECT_EQ(pageCount(pdf), 2);
}

TEST(JobSheet, BeforeTheFirstRunTheSheetSaysNothingWasPainted) {
  TempDir folder;
  Simulation simulation;
  simulation.openProject(kExample);
  const std::string pdf = folder.file("vide.pdf");
  writeJobSheet(simulation.session(), pdf);
  const std::vector<std::string> pages = pageTexts(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Aucun travail n'est enregistré"), std::string::npos);
  EXPECT_EQ(pages[0].find("Détail par surface"), std::string::npos);
}

}  // namespace
}  // namespace chromaflow
