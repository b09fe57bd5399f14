#include "sim/random_operator.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/display_forms.h"
#include "core/common/document_file.h"
#include "sim/harness/operator_edits.h"
#include "sim/harness/replay.h"

namespace chromaflow::testing {
namespace {

namespace fs = std::filesystem;
using Kind = sim::ReplayAction::Kind;

constexpr int kRoller = 1, kP1 = 7, kP2 = 3;  // the inputs' channels

std::string bytesOfFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A figure the main window shows as text, read back; nothing when it is not a number.
std::optional<double> shownNumber(const std::string& text) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  if (!(in >> value)) return std::nullopt;
  return value;
}

// The lines of the four documents as their files would hold them, to compare a project with the
// same project saved and opened again. A plan's distance is written again as it is read ("1.0000E+09"
// typed in the row editor reads back as "1.00000E+09"): fields are compared as the numbers they hold.
std::vector<std::string> documentLines(const Session& session) {
  std::vector<std::string> lines = session.project().fileLines("p.prv");
  for (const std::string& line : session.settings().fileLines("p.sev")) lines.push_back(line);
  for (const std::string& line : session.plan().fileLines()) lines.push_back(line);
  for (const std::string& line : session.colours().fileLines()) lines.push_back(line);
  for (std::string& line : lines) {
    std::string numbers;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ';');) {
      if (auto number = tryValue(field)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.7g", *number);
        field = text;
      }
      numbers += field + ";";
    }
    line = numbers;
  }
  return lines;
}

}  // namespace

RandomOperator::RandomOperator(std::uint64_t seed, std::string folder) : random_(seed), folder_(std::move(folder)) {
  writeDamagedProjects();
}

RandomOperator::~RandomOperator() = default;

int RandomOperator::uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

bool RandomOperator::chance(double p) { return std::bernoulli_distribution(p)(random_); }

// The texts an operator types, or mistypes, into a value field.
std::string RandomOperator::someNumberText() {
  static const char* const odd[] = {"", "0", "-0", "-1", "-5", "abc", "1e9", "1e38", "nan", "inf", "2,5", "0.001",
                                    "100000", " 3", "1.", "--0", "4e-7"};
  if (chance(0.3)) return odd[uniform(0, static_cast<int>(std::size(odd)) - 1)];
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << uniform(0, 4000) / 100.0;
  return text.str();
}

// A row of a table of `rows`: mostly one it shows (the " +" row included), sometimes none.
std::string RandomOperator::someRow(int rows) { return std::to_string(chance(0.05) ? uniform(-2, rows + 5) : uniform(1, rows + 1)); }

// The example project, and the same damaged as files are found damaged: random bytes, cut off,
// empty, without siblings, settings of no and negative pulses per litre.
void RandomOperator::writeDamagedProjects() {
  const fs::path folder(folder_), examples(CHROMAFLOW_EXAMPLES);
  const char* const extensions[] = {".prv", ".sev", ".spv", ".cov"};
  const auto project = [&](const std::string& base, auto&& bytesFor) {
    for (const char* extension : extensions)
      if (auto bytes = bytesFor(std::string(extension))) writeFile(folder / (base + extension), *bytes);
    projects_.push_back((folder / (base + ".prv")).string());
  };
  const auto example = [&](const std::string& extension) { return bytesOfFile(examples / ("wall" + extension)); };
  using Bytes = std::optional<std::string>;
  project("sound", [&](const std::string& e) -> Bytes { return example(e); });
  project("random", [&](const std::string&) -> Bytes {
    std::string bytes(static_cast<std::size_t>(uniform(0, 3000)), '\0');
    for (char& byte : bytes) byte = static_cast<char>(uniform(0, 255));
    return bytes;
  });
  project("cut", [&](const std::string& e) -> Bytes {
    const std::string bytes = example(e);
    return bytes.substr(0, bytes.size() * static_cast<std::size_t>(uniform(1, 9)) / 10);
  });
  project("empty", [&](const std::string&) -> Bytes { return std::string(); });
  project("alone", [&](const std::string& e) -> Bytes { return e == ".prv" ? Bytes(example(e)) : std::nullopt; });
  project("pulses", [&](const std::string& e) -> Bytes {
    std::string bytes = example(e);
    if (e != ".sev") return bytes;
    for (const auto& [from, to] : {std::pair{"P1(trs/l)=220", "P1(trs/l)=0"}, std::pair{"P2(trs/l)=220", "P2(trs/l)=-5"}})
      if (auto at = bytes.find(from); at != std::string::npos) bytes.replace(at, std::string(from).size(), to);
    return bytes;
  });
}

std::string RandomOperator::step() {
  const int pick = uniform(0, 99);
  if (pick < 30) return operatorEdit();
  if (pick < 50) return mainWindowGesture();
  if (pick < 85) return ticks();
  if (pick < 89) return openSomeProject();
  if (pick < 92) return saveAndReopen();
  if (pick < 97) return machineGesture();
  if (pick < 98) {
    const std::string answer = answerSaveChanges();
    rig_.session.newProject();
    forgetAnswers();
    return "new" + answer;
  }
  const int language = uniform(0, 5);
  rig_.session.applyLanguage(language);
  return "language=" + std::to_string(language);
}

// Unsaved changes about to be lost: "Enregistrer" (under a name of the walk's when there is none),
// "Ne pas enregistrer" or "Annuler".
std::string RandomOperator::answerSaveChanges() {
  const int answer = uniform(0, 2);
  rig_.asker.saveChoices.assign({answer == 0 ? SaveChoice::Save : answer == 1 ? SaveChoice::DontSave : SaveChoice::Cancel});
  rig_.asker.saveAnswers.assign({(fs::path(folder_) / "kept.prv").string()});
  return answer == 0 ? " (Enregistrer)" : answer == 1 ? " (Ne pas enregistrer)" : " (Annuler)";
}

void RandomOperator::forgetAnswers() {
  rig_.asker.saveChoices.clear();
  rig_.asker.saveAnswers.clear();
  rig_.asker.openAnswers.clear();
  rig_.asker.confirmations.clear();
  rig_.asker.warnings.clear();
  rig_.asker.errors.clear();
}

std::string RandomOperator::mainWindowGesture() {
  Session& s = rig_.session;
  switch (uniform(0, 11)) {
    case 0: s.activateMainWindow(); return "activate";
    case 1: s.setRunning(true); return "start";
    case 2: s.setRunning(false); return "stop";
    case 3: s.toggleGun(); return "gun";
    case 4: s.resetCorrection(); return "reset";
    case 5: s.hoseFullButton(); return "hose-full";
    case 6: s.hoseEmptyButton(); return "hose-empty";
    case 7: s.rollerButton(); return "roller";
    case 8: {
      const std::string text = someNumberText();
      s.enterDistance(text);
      return "distance=" + text;
    }
    case 9: {
      const std::string text = someNumberText();
      s.enterPumpLitres(chance(0.5) ? Pump::P1 : Pump::P2, text);
      return "pump-litres=" + text;
    }
    case 10: {
      const int x = uniform(-20, 900);
      s.switchGunValve(chance(0.5));
      s.dragTravelled(x);
      return "drag-travelled=" + std::to_string(x);
    }
    default: {
      const int x = uniform(-20, 900);
      s.dragHose(x);
      return "drag-hose=" + std::to_string(x);
    }
  }
}

std::string RandomOperator::operatorEdit() {
  static const Kind kinds[] = {Kind::PointMove,  Kind::PointInsert,      Kind::PointDelete,   Kind::TravelledDrag,
                               Kind::HoseDrag,   Kind::SurfaceOk,        Kind::SurfaceInsert, Kind::SurfaceDelete,
                               Kind::SurfaceDeleteAll, Kind::PropOk,     Kind::PropInsert,    Kind::PropDelete,
                               Kind::PropDeleteAll, Kind::ColourOk,      Kind::ColourDelete,  Kind::ColourDeleteAll,
                               Kind::Panel,      Kind::Spin,             Kind::Preset,        Kind::Correction,
                               Kind::HoseState,  Kind::StartProportion,  Kind::Anticipation,  Kind::MixingLead};
  const Session& s = rig_.session;
  sim::ReplayAction action{kinds[uniform(0, static_cast<int>(std::size(kinds)) - 1)], {}};
  auto& v = action.values;
  const auto pixel = [&] { return std::to_string(uniform(-30, 900)); };
  const auto proportion = [&] { return std::to_string(chance(0.05) ? uniform(-20, 130) : uniform(0, 100)); };
  const auto oneOf = [&](const std::vector<std::string>& names) { return names[static_cast<std::size_t>(uniform(0, static_cast<int>(names.size()) - 1))]; };
  switch (action.kind) {
    case Kind::PointMove: v = {pixel(), pixel(), pixel(), pixel()}; break;
    case Kind::PointInsert:
    case Kind::PointDelete:
    case Kind::TravelledDrag:
    case Kind::HoseDrag: v = {pixel(), pixel()}; break;
    case Kind::SurfaceOk:
    case Kind::SurfaceInsert: v = {someRow(s.plan().surfaceCount()), someNumberText(), someNumberText()}; break;
    case Kind::SurfaceDelete:
    case Kind::SurfaceDeleteAll: v = {someRow(s.plan().surfaceCount())}; break;
    case Kind::PropOk:
    case Kind::PropInsert: v = {someRow(s.plan().proportionCount()), someNumberText(), proportion()}; break;
    case Kind::PropDelete:
    case Kind::PropDeleteAll: v = {someRow(s.plan().proportionCount())}; break;
    case Kind::ColourOk: {
      v = {someRow(static_cast<int>(s.colours().rows().size())), proportion()};
      for (int c = 0; c < 3; ++c) v.push_back(std::to_string(uniform(0, 255)));
      break;
    }
    case Kind::ColourDelete:
    case Kind::ColourDeleteAll: v = {someRow(static_cast<int>(s.colours().rows().size()))}; break;
    case Kind::Panel: v = {oneOf(sim::settingsPanelNames()), someNumberText()}; break;
    case Kind::Spin: v = {oneOf(sim::settingsSpinNames()), someNumberText()}; break;
    case Kind::Correction: v = {oneOf(sim::correctionParameterNames()), someNumberText()}; break;
    case Kind::HoseState: v = {chance(0.5) ? "full" : "empty"}; break;
    case Kind::StartProportion: v = {proportion()}; break;
    case Kind::Anticipation:
    case Kind::MixingLead: v = {chance(0.5) ? "on" : "off"}; break;
    default: break;
  }
  std::string text = sim::actionText(action);
  if (sim::problemWith(action)) return text + " (not made)";
  if (chance(0.3)) {  // "Supprimer tout" asks first; the operator sometimes says "Non"
    rig_.asker.confirmations.assign({false});
    text += " (Non)";
  } else {
    rig_.asker.confirmations.assign({true});
  }
  sim::makeOperatorEdit(rig_.session, action);
  forgetAnswers();
  return text;
}

// The reading cycle runs; without the machine the operator's hand turns the roller and the pumps.
std::string RandomOperator::ticks() {
  const int count = chance(0.1) ? uniform(100, 1500) : uniform(1, 40);
  if (machine_) {
    for (int i = 0; i < count; ++i) rig_.tick();
    return "ticks=" + std::to_string(count) + " (machine)";
  }
  const double roller = uniform(0, 100) / 100.0, p1 = uniform(0, 100) / 100.0, p2 = uniform(0, 100) / 100.0;
  for (int i = 0; i < count; ++i) {
    std::uint16_t pins = rig_.card.pulledLowMask();
    if (chance(roller)) pins ^= 1u << (kRoller - 1);
    if (chance(p1)) pins ^= 1u << (kP1 - 1);
    if (chance(p2)) pins ^= 1u << (kP2 - 1);
    rig_.tick(pins);
  }
  return "ticks=" + std::to_string(count);
}

std::string RandomOperator::openSomeProject() {
  const std::string& path = projects_[static_cast<std::size_t>(uniform(0, static_cast<int>(projects_.size()) - 1))];
  const std::string answer = answerSaveChanges();
  rig_.asker.openAnswers.assign({path});
  // A missing sibling is asked for: sometimes the operator picks the example's, mostly "Annuler".
  if (chance(0.3)) rig_.asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.spv");
  rig_.session.openProject(true);
  forgetAnswers();
  return "open=" + fs::path(path).filename().string() + answer;
}

// "Enregistrer sous...", then the same project opened in a second program: it reads back as the
// documents were when saved.
std::string RandomOperator::saveAndReopen() {
  const std::string path = (fs::path(folder_) / ("saved-" + std::to_string(++saves_ % 4) + ".prv")).string();
  rig_.asker.saveAnswers.assign({path});
  const bool saved = rig_.session.saveProject(true);
  rig_.asker.saveAnswers.clear();
  rig_.asker.errors.clear();
  if (!saved) return "save-as (not saved)";
  if (rig_.session.projectModified() && !saveMismatch_) saveMismatch_ = path + " saved, yet the title still marks changes";
  if (std::find(projects_.begin(), projects_.end(), path) == projects_.end()) projects_.push_back(path);
  ControlRig other;
  other.asker.openAnswers.assign({path});
  other.session.openProject(true);
  if (other.session.projectModified() && !saveMismatch_) saveMismatch_ = path + " just opened, yet marked as changed";
  const std::vector<std::string> before = documentLines(rig_.session), after = documentLines(other.session);
  if (before != after && !saveMismatch_) {
    const auto [b, a] = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    saveMismatch_ = path + " read back otherwise: saved « " + (b == before.end() ? "(end)" : *b) + " », read « " +
                    (a == after.end() ? "(end)" : *a) + " »";
  }
  return "save-as=" + fs::path(path).filename().string();
}

std::string RandomOperator::machineGesture() {
  if (machine_ && chance(0.2)) {
    machine_.reset();
    return "machine off";
  }
  if (!machine_)
    machine_ = std::make_unique<sim::AttachedMachine>(rig_.session, rig_.card, [this] { return rig_.clock.now(); });
  sim::MachineConfig config;
  config.speedMetresPerMinute = chance(0.1) ? uniform(100, 1000) : uniform(1, 40);
  std::string text = "machine speed=" + std::to_string(static_cast<int>(config.speedMetresPerMinute));
  for (int n = uniform(0, 2); n > 0; --n) {
    const sim::MachineFault fault{static_cast<sim::MachineFault::Target>(uniform(0, 2)), uniform(0, 12) / 10.0,
                                  static_cast<double>(uniform(0, 30))};
    config.faults.push_back(fault);
    text += " fault=" + std::to_string(static_cast<int>(fault.target)) + ":" + std::to_string(fault.factor);
  }
  machine_->setConfig(config);
  return text;
}

std::optional<std::string> RandomOperator::broken() const {
  const JobRecord& record = rig_.session.jobRecord();
  const auto fault = [](const std::string& what) { return std::optional<std::string>(what); };
  std::ostringstream why;
  why.imbue(std::locale::classic());

  // No stretch painted over more than its length, no figure below zero.
  const auto checkRows = [&](const std::vector<RecordedStretch>& rows, const char* table) -> std::optional<std::string> {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const RecordedStretch& r = rows[i];
      const double length = static_cast<double>(r.to) - r.from;
      if (r.distancePainted > length + 1e-3 + 1e-5 * length) {
        why << table << " row " << i + 1 << " [" << r.from << ", " << r.to << "): " << r.distancePainted
            << " m painted";
        return why.str();
      }
      const std::pair<const char*, double> figures[] = {
          {"painted", r.distancePainted}, {"area", r.areaPainted},         {"asked P1", r.askedP1},
          {"asked P2", r.askedP2},        {"delivered P1", r.deliveredP1}, {"delivered P2", r.deliveredP2},
          {"pulses P1", double(r.pulsesP1)}, {"pulses P2", double(r.pulsesP2)}};
      for (const auto& [name, figure] : figures)
        if (figure < -1e-9 || std::isnan(figure)) {
          why << table << " row " << i + 1 << " [" << r.from << ", " << r.to << "): " << name << " " << figure;
          return why.str();
        }
    }
    return std::nullopt;
  };
  if (auto problem = checkRows(record.surfaces(), "surface")) return problem;
  if (auto problem = checkRows(record.intervals(), "interval")) return problem;
  if (auto problem = checkRows(record.profile(), "profile")) return problem;

  // The totals are the sum of the surface rows, and the same pulses counted whichever way the path
  // is cut.
  const auto sum = [](const std::vector<RecordedStretch>& rows, auto figure) {
    double total = 0;
    for (const RecordedStretch& r : rows) total += figure(r);
    return total;
  };
  const RecordedStretch totals = record.totals();
  const auto pulses = [](const RecordedStretch& r) { return double(r.pulsesP1 + r.pulsesP2); };
  const auto painted = [](const RecordedStretch& r) { return double(r.distancePainted); };
  if (!record.surfaces().empty()) {
    const double length = static_cast<double>(record.surfaces().back().to) - record.surfaces().front().from;
    if (totals.distancePainted > length + 1e-3 + 1e-5 * length) {
      why << totals.distancePainted << " m painted on a path of " << length << " m";
      return why.str();
    }
    // Added in 32 bits: as exact as a 32-bit real of the wall's length.
    if (std::abs(sum(record.surfaces(), painted) - totals.distancePainted) > 1e-3 + 1e-6 * length)
      return fault("the totals' painted length is not the sum of the surfaces'");
    if (sum(record.surfaces(), pulses) != sum(record.profile(), pulses)) {
      why << "surfaces counted " << sum(record.surfaces(), pulses) << " pump pulses, the profile "
          << sum(record.profile(), pulses);
      return why.str();
    }
  }

  // The main window's counters never go below zero.
  const MainWindowFigures& m = rig_.session.main();
  const std::pair<const char*, const std::string*> counters[] = {
      {"TrRoul", &m.TrRoul},       {"TrP1", &m.TrP1},           {"TrP2", &m.TrP2},
      {"LitresP1", &m.LitresP1},   {"LitresP2", &m.LitresP2},   {"Leffect", &m.Leffect},
      {"Seffect", &m.Seffect},     {"P1lEffect", &m.P1lEffect}, {"P2lEffect", &m.P2lEffect},
      {"Distance", &m.Distance},   {"m2Roul", &m.m2Roul}};
  for (const auto& [name, text] : counters)
    if (auto value = shownNumber(*text); value && *value < 0) return fault(std::string(name) + " shows " + *text);
  const PaintingState& state = rig_.session.state();
  if (state.Distance < 0 || state.HoseFill < 0 || state.PaintedArea < 0) {
    why << "state below zero: distance " << state.Distance << ", hose " << state.HoseFill << ", area "
        << state.PaintedArea;
    return why.str();
  }
  if (saveMismatch_) return saveMismatch_;
  return std::nullopt;
}

}  // namespace chromaflow::testing
