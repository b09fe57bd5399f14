#pragma once
// The program's one settings record with its views, its file (.sev) and its New/Open/Save.

#include <string>
#include <vector>

#include "core/common/chart_point.h"
#include "core/common/document_name.h"
#include "core/common/entry_rule.h"
#include "core/common/signal.h"
#include "core/settings/machine_settings.h"

namespace chromaflow {

enum class SettingsPanel;  // the settings window's value panels (settings_entry.h)
enum class SettingsSpin;   // its spin fields

// The data of the settings window's two charts.
struct SettingsCharts {
  // "Rotation rouleau": bottom axis "Débit (l/m2)" 0..max, left axis "pulses/m2" 0..max.
  float rollerFlowAxisMax = 0.28f;
  float rollerPulsesAxisMax = 100;
  std::vector<ChartPoint> theorique;  // red: dry pulses falling to 0 at the highest flow
  std::vector<ChartPoint> pratique;   // light green: the working point at the current thickness
  // "Linearisation": the analog output (%) against the proportion (%).
  std::vector<ChartPoint> sortieAnalog;
};

class SettingsDocument {
 public:
  SettingsDocument();

  const MachineSettings& settings() const { return settings_; }

  // Views derived from LitreM2, never written to the file.
  const std::string& M2Litre() const { return m2Litre_; }
  const std::string& Micron() const { return micron_; }
  const std::string& debitView() const { return debitView_; }  // the roller tab's "Débit ="
  const SettingsCharts& charts() const { return charts_; }

  DocumentName& name() { return name_; }
  const DocumentName& name() const { return name_; }

  // Whether the record differs from what its file holds: the file last read or written, or the
  // defaults since New. PFreqMax is not in the file: changing it changes nothing here.
  bool modified() const { return !holdsAsInFile(atFile_); }
  // Whether the file would hold the same values for the record as for `other`.
  bool holdsAsInFile(const MachineSettings& other) const;
  // The record now stands in its file (the project wrote it beside the others).
  void markSaved() { atFile_ = settings_; }

  // Every setting but PFreqMax back to its default, and the views and charts with them.
  void NewSettings();
  // Throws FileError when the file cannot be read; a read that breaks off keeps what it read.
  bool OpenSettings(bool ask, NameAsker* asker);
  // Throws FileError when the file cannot be written; the previous file then stays whole.
  bool SaveSettings(bool ask, NameAsker* asker);
  void RefreshSettingsViews();

  // The roller setting recommended for the thickness: (1 - LitreM2 / MaxDebit) x Roul, 1..200.
  int recommendedPulseM2() const;

  // Setters of the integer settings used by the windows and the calibration; the mirror labels
  // follow, and a change of the roller's pulses refreshes the views.
  void setP1trl(int pulses);
  void setP2trl(int pulses);
  void setRoul(int pulses);
  void setPulseM2(int pulses);

  // A value typed in a value panel or a spin field of the settings window: the entry rule
  // decides, the setting takes the result, and the views are refreshed where the setting needs
  // it. Returns what the rule made of the text.
  EntryOutcome enterPanel(SettingsPanel panel, const std::string& typed);
  EntryOutcome enterSpin(SettingsSpin spin, const std::string& typed);
  // The "<=" button: PulseM2 takes the recommended roller setting.
  void presetPulseM2();

  // The lines SaveSettings writes, and the reading of a file's lines into the record as it is
  // (Open starts from New and refreshes after).
  std::vector<std::string> fileLines(const std::string& fileName) const;
  void applyFileLines(const std::vector<std::string>& lines);
  // The lines of the last file read whose key is known but whose value is of the wrong type
  // ("Retard(l)=1" holds an integer where a real is written), too long, or beyond what the path's
  // figures hold (a hose of more than kMostHoseLitres), each with why it was left aside.
  const std::vector<std::string>& refusedFileValues() const { return refused_; }
  // Of the last file's lines, how many set a setting.
  const LinesTaken& linesTakenFromFile() const { return linesTaken_; }

  // P1trl, P2trl or PulseM2 changed: the main window's labels copy them.
  Signal<> mirrorsChanged;
  // The settings were opened: the main window redraws its views.
  Signal<> opened;

 private:
  void notifyMirrors();

  MachineSettings settings_;
  MachineSettings atFile_;  // the record as its file holds it
  std::string m2Litre_ = "7.14";
  std::string micron_ = "1.4";
  std::string debitView_ = "0.14";
  SettingsCharts charts_;
  DocumentName name_;
  std::vector<std::string> refused_;
  LinesTaken linesTaken_;
};

}  // namespace chromaflow
