#pragma once
// A random operator: a seeded walk over the whole session, gesture after gesture, as a long day
// at the machine might go. Every button and entry of the main window, every edit of the plan,
// colour, settings and correction windows, projects opened (damaged ones among them) and saved,
// languages, the simulated machine's speed and faults, Start and Stop, and the reading cycle's
// ticks in between. After each gesture it checks what must always hold.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/harness/attached_machine.h"
#include "support/control_rig.h"

namespace chromaflow::testing {

class RandomOperator {
 public:
  // Damaged and sound projects to open are written into `folder`, and saves go there.
  RandomOperator(std::uint64_t seed, std::string folder);
  ~RandomOperator();

  // One gesture and the ticks that follow it; what it was, as the walk's log writes it.
  std::string step();
  // What no gesture may break, or nothing when all holds.
  std::optional<std::string> broken() const;
  // A project saved by the walk and opened again does not read back as it was saved: why.
  const std::optional<std::string>& saveMismatch() const { return saveMismatch_; }

  const Session& session() const { return rig_.session; }

 private:
  std::string mainWindowGesture();
  std::string operatorEdit();
  std::string ticks();
  std::string openSomeProject();
  std::string saveAndReopen();
  std::string machineGesture();

  std::string answerSaveChanges();
  void forgetAnswers();
  int uniform(int low, int high);  // low..high, both included
  bool chance(double p);
  std::string someNumberText();
  std::string someRow(int rows);
  void writeDamagedProjects();

  std::mt19937_64 random_;
  std::string folder_;
  ControlRig rig_;
  std::unique_ptr<sim::AttachedMachine> machine_;
  std::vector<std::string> projects_;  // to open: sound, damaged, saved by the walk
  int saves_ = 0;
  std::optional<std::string> saveMismatch_;
};

}  // namespace chromaflow::testing
