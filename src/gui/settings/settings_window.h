#pragma once
// FSettings, "Propriétés": the machine settings in six tabs, with their charts and the pictures
// that explain the hose delay and the mixing filter. Created once at start and kept for the
// whole run, it always shows the settings as the session holds them, whatever changed them
// (its own fields, a file, a project, the main window's calibration). Every field forwards its
// gesture to the session; the value panels ask through the entry dialog "Encodage valeur". Each
// opening refreshes the settings' views, and every closing lets the main window redraw.

#include <QDialog>

#include <memory>

#include "core/common/signal.h"

class QLabel;

namespace Ui {
class FSettings;
}

namespace chromaflow {

class Session;
class RollerRotationChart;
class AnalogOutputChart;
enum class DelayPicture;

class SettingsWindow : public QDialog {
 public:
  explicit SettingsWindow(Session& session, QWidget* parent = nullptr);
  ~SettingsWindow() override;

  // Every way the window closes ("OK", "&Quitter", the close box, Escape) ends here.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void wireMenu();
  void wireFields();
  void wireDelayPictures();

  void showSettings();
  void showUnitChoice();
  void showTitle();
  // Only the overlay that explains the setting under the pointer; none over the background.
  void showDelayOverlay(DelayPicture picture);

  Session& session_;
  std::unique_ptr<Ui::FSettings> ui_;
  std::unique_ptr<RollerRotationChart> rollerChart_;
  std::unique_ptr<AnalogOutputChart> analogChart_;
  // Last, so that the window stops listening before its widgets go.
  Subscription changed_;
};

}  // namespace chromaflow
