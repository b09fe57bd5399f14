#pragma once
// FVelmora, the main window: the plan drawn in the colours the mix will give, the machine's
// progress and counters, Start/Stop, and the gestures that edit proportions and correct the
// position and the hose. Every gesture is one call to the session; every change the session
// reports is shown once. Nothing of the machine lives here.

#include <QMainWindow>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/common/signal.h"
#include "gui/drawing/main_pictures.h"
#include "gui/widgets/standard_dialogs_language.h"
#include "history/history_writer.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPrinter;

namespace Ui {
class FVelmora;
}

namespace chromaflow {

namespace sim {
class AttachedMachine;
}

class Session;
struct Change;

// The windows the main window opens, made after it (the program creates its windows in a fixed
// order, the main window first). The entries of a window left null stay disabled.
struct OtherWindows {
  QDialog* correction = nullptr;      // FcorrectionPct
  QDialog* userText = nullptr;        // FTexteUtilisateur
  QWidget* fullColourView = nullptr;  // FfullcolorviewReal, not modal
  QDialog* plan = nullptr;            // FSurfProp
  QDialog* colours = nullptr;         // FColFProp
  QDialog* settings = nullptr;        // FSettings
  QDialog* cardTest = nullptr;        // FTestInterface
  QWidget* jobReport = nullptr;       // FRapportChantier, not modal
  QWidget* history = nullptr;         // FHistorique, not modal
};

// How the program reaches the simulated machine when the simulated card is in use; null or
// returning null when there is none.
using MachineAccess = std::function<sim::AttachedMachine*()>;
// How the program reaches the place of its job history: what it is, and the operator's new
// choice to keep and move to. Empty when the program keeps no history.
struct HistoryPlaceAccess {
  std::function<HistoryPlace()> current;
  std::function<void(const HistoryPlace&)> choose;
  // Where the foreman's view is served, when one is set up on this PC.
  std::function<std::optional<std::string>()> webView{};
};
// The print dialog: true when the operator confirms printing on `printer`.
using PrintConfirmation = std::function<bool(QPrinter& printer)>;

// Where the client area of `client` screen pixels lands on a page whose printable area is
// `printable` printer pixels: at its on-screen size when it fits, else scaled down to fit with
// its proportions kept.
QRectF printedArea(QSizeF client, double printerOverScreen, QSizeF printable);

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(Session& session, MachineAccess machine = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  void attach(const OtherWindows& windows);
  void setPrintConfirmation(PrintConfirmation confirm) { confirmPrint_ = std::move(confirm); }
  void setHistoryPlaceAccess(HistoryPlaceAccess access);

  // What coming back from another window does. A window that can change the card or a document
  // (card test, settings, plan, colours) re-activates the main window: card initialised, hose
  // emptied, distance 0, so that what it changed takes effect. The others (user text,
  // correction, about box) leave the job where it stands.
  enum class OnReturn { Activate, KeepTheJob };
  // Shows one of the program's other windows modally.
  void showModally(QDialog& window, OnReturn onReturn = OnReturn::Activate);

  // The client area as printed: one page, the picture at its on-screen size or fitted to the page.
  void printClientArea(QPrinter& printer);

 protected:
  void showEvent(QShowEvent* event) override;
  // "&Quitter" and the close box: the job's changes not yet saved are asked about first, and
  // "Annuler" keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showOther(QDialog* window, OnReturn onReturn = OnReturn::Activate);  // modally, when attached
  void wireMenus();
  void wireControls();
  void wirePictures();
  void makeStatusPanels();

  void onChanged(const Change& change);
  void showFigures();
  void showPictures();
  void showBars();
  void showRunState();
  void showPort();
  void showJob();
  void showHistoryState();
  void editHistoryPlace();
  void showNames();
  void showHoseConditions();
  void relabel();
  void setStatus(const std::optional<std::string>& panel0, const std::optional<std::string>& panel1);

  // The images' sizes changed with the window: the pictures follow, and the session's pixel
  // rules with them.
  void fitPictures();

  // Pointer gestures on the images (main_window_pointer.cpp).
  void surfacePressed(QPoint at);
  void surfaceMoved(QPoint at);
  void chartMoved(QPoint at);
  void chartPressed();
  void chartReleased(QPoint at, Qt::MouseButton button);
  void travelledMoved(QPoint at);
  void proportionBarMoved(QPoint at);
  void hoseMoved(QPoint at);
  void saveSurfaceBitmap();

  void print();
  void printSetup();
  void openManual();
  void showAbout();
  void editSimulatedMachine();
  void hoseFull();
  bool machineAtPathEnd() const;  // the simulated roller stands at the end of the path

  Session& session_;
  MachineAccess machine_;
  std::unique_ptr<Ui::FVelmora> ui_;
  OtherWindows windows_;
  MainPictures pictures_;
  QImage travelled_, proportionBar_, hose_, gauge_;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  QLabel* portPanel_ = nullptr;
  QLabel* historyPanel_ = nullptr;
  int ticksSinceHistoryShown_ = 0;
  HistoryPlaceAccess historyPlace_;
  QMenu* popupSurface_ = nullptr;
  QMenu* popupChart_ = nullptr;
  QAction* insertAction_ = nullptr;
  QAction* deleteAction_ = nullptr;
  QActionGroup* ports_ = nullptr;
  QActionGroup* languages_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
  StandardDialogsLanguage dialogsLanguage_;
  PrintConfirmation confirmPrint_;
  bool shownOnce_ = false;
  bool shownAtPathEnd_ = false;  // the port panel says the simulated roller's path is done
  bool fitPending_ = false;
  // What the bars and the gauge show, so that a tick that moved none of them redraws none.
  struct ShownBars {
    BarFigure ImageParcouru, ImageProportion, ImageRemplissageTuyau;
    int GaugeConsigne;
    GaugeColours gaugeColours;
    int width;
  };
  std::optional<ShownBars> shownBars_;
  std::vector<Subscription> wiring_;
};

}  // namespace chromaflow
