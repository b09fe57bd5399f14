#include "gui/main/main_window.h"

#include <filesystem>

#include "core/common/installed_files.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "core/session/language_table.h"
#include "core/session/port_status.h"
#include "core/session/session.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/history_settings_dialog.h"
#include "gui/dialogs/simulated_machine_dialog.h"
#include "history/history_paths.h"
#include "gui/widgets/icons.h"
#include "gui/widgets/shown_text.h"
#include "gui/widgets/status_panel.h"
#include "sim/harness/attached_machine.h"
#include "ui_main_window.h"

namespace chromaflow {
namespace {

// The colour of a label's text. A palette, not a style sheet: it changes on ticks and a style
// sheet would restyle the widget each time.
void setTextColour(QWidget* widget, Rgb rgb) {
  const QColor colour = qColourOf(rgb);
  if (widget->palette().color(QPalette::WindowText) == colour && widget->palette().color(QPalette::ButtonText) == colour)
    return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::ButtonText, colour);
  widget->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(Session& session, MachineAccess machine, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      machine_(std::move(machine)),
      ui_(std::make_unique<Ui::FVelmora>()),
      pictures_(makeMainPictures()),
      travelled_(kSurfaceViewWidth, 11, QImage::Format_RGB32),
      proportionBar_(kSurfaceViewWidth, 11, QImage::Format_RGB32),
      hose_(70, 11, QImage::Format_RGB32),
      gauge_(30, 118, QImage::Format_RGB32),
      printer_(std::make_unique<QPrinter>()) {
  ui_->setupUi(this);
  setWindowIcon(QIcon(programLogo(64)));
  const std::pair<QAction*, ToolIcon> icons[] = {
      {ui_->MINew, ToolIcon::New},     {ui_->MIOpen, ToolIcon::Open},         {ui_->MISave, ToolIcon::Save},
      {ui_->MIPrint, ToolIcon::Print}, {ui_->MISurface, ToolIcon::Surface}, {ui_->MIColorf, ToolIcon::Colours}};
  for (const auto& [item, icon] : icons) item->setIcon(toolIcon(icon));
  makeStatusPanels();
  wireMenus();
  wireControls();
  wirePictures();
  confirmPrint_ = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  wiring_.push_back(session_.changed.subscribe([this](const Change& change) { onChanged(change); }));
  // The history's writer works on its own thread: its state is looked at twice a second.
  wiring_.push_back(session_.ticked.subscribe([this] {
    if (++ticksSinceHistoryShown_ < 25) return;
    ticksSinceHistoryShown_ = 0;
    showHistoryState();
  }));

  // Everything as the session holds it now.
  dialogsLanguage_.follow(session_.language());
  showFigures();
  showPictures();
  showPort();
  showNames();
  showHoseConditions();
  showJob();
}

MainWindow::~MainWindow() = default;

void MainWindow::attach(const OtherWindows& windows) {
  windows_ = windows;
  ui_->Correctionautodesproportions1->setEnabled(windows_.correction != nullptr);
  ui_->Texteutilisateur1->setEnabled(windows_.userText != nullptr);
  ui_->PanelRGB->setEnabled(windows_.fullColourView != nullptr);
  ui_->MISurface->setEnabled(windows_.plan != nullptr);
  popupSurface_->findChild<QAction*>(QStringLiteral("PopupImageSurfModifier"))->setEnabled(windows_.plan != nullptr);
  ui_->MIColorf->setEnabled(windows_.colours != nullptr);
  ui_->LDistanceUnit->setEnabled(windows_.colours != nullptr);
  ui_->MIProprietes->setEnabled(windows_.settings != nullptr);
  ui_->MIFullcardtest->setEnabled(windows_.cardTest != nullptr);
  ui_->MIRapport->setEnabled(windows_.jobReport != nullptr);
  ui_->MIHistorique->setEnabled(windows_.history != nullptr);
}

void MainWindow::showOther(QDialog* window, OnReturn onReturn) {
  if (window) showModally(*window, onReturn);
}

void MainWindow::makeStatusPanels() {
  auto panel = [this](const char* name, int width, int widest) {
    auto* label = new StatusPanel(width, widest, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
  };
  panel0_ = panel("StatusPanel0", 400, 400);
  panel1_ = panel("StatusPanel1", 50, 50);
  // The port's status with its remedy can be long: the panel shows its start, the tip the whole.
  portPanel_ = panel("StatusPanelPort", 200, 520);
  // Where the jobs go, and whether they get there: the start shown, the tip the whole.
  historyPanel_ = panel("StatusPanelHistorique", 220, 520);
  ui_->StatusBar1->addWidget(panel0_);
  ui_->StatusBar1->addWidget(panel1_, 1);
  ui_->StatusBar1->addPermanentWidget(historyPanel_);
  ui_->StatusBar1->addPermanentWidget(portPanel_);
  // Moving over the bare window, outside every image, empties both read-outs.
  ui_->ClientArea->setMouseTracking(true);
  ui_->ClientArea->installEventFilter(this);
}

void MainWindow::wireMenus() {
  Ui::FVelmora& f = *ui_;
  connect(f.MINew, &QAction::triggered, this, [this] { session_.newProject(); });
  connect(f.MIOpen, &QAction::triggered, this, [this] { session_.openProject(true); });
  connect(f.MISave, &QAction::triggered, this, [this] { session_.saveProject(false); });
  connect(f.MISaveAs, &QAction::triggered, this, [this] { session_.saveProject(true); });
  connect(f.MIPrint, &QAction::triggered, this, &MainWindow::print);
  connect(f.MIPrintSetup, &QAction::triggered, this, &MainWindow::printSetup);
  connect(f.MIExit, &QAction::triggered, this, &QWidget::close);
  connect(f.MISurface, &QAction::triggered, this, [this] { showOther(windows_.plan); });
  connect(f.MIColorf, &QAction::triggered, this, [this] { showOther(windows_.colours); });
  connect(f.Texteutilisateur1, &QAction::triggered, this, [this] { showOther(windows_.userText, OnReturn::KeepTheJob); });
  connect(f.MIProprietes, &QAction::triggered, this, [this] { showOther(windows_.settings); });
  connect(f.MIFullcardtest, &QAction::triggered, this, [this] { showOther(windows_.cardTest); });
  connect(f.Correctionautodesproportions1, &QAction::triggered, this,
          [this] { showOther(windows_.correction, OnReturn::KeepTheJob); });
  // The job report stays open beside the main window while painting: no modal loop, and coming
  // back to the main window from it does not re-initialise the card.
  connect(f.MIRapport, &QAction::triggered, this, [this] {
    if (!windows_.jobReport) return;
    windows_.jobReport->show();
    windows_.jobReport->raise();
    windows_.jobReport->activateWindow();
  });
  // The history too: reading old jobs leaves the one on the machine where it stands.
  connect(f.MIHistorique, &QAction::triggered, this, [this] {
    if (!windows_.history) return;
    windows_.history->show();
    windows_.history->raise();
    windows_.history->activateWindow();
  });
  connect(f.MIMachineSimulee, &QAction::triggered, this, &MainWindow::editSimulatedMachine);
  connect(f.MITerminerChantier, &QAction::triggered, this, [this] { session_.finishJob(); });
  connect(f.MIHistoriqueReglages, &QAction::triggered, this, &MainWindow::editHistoryPlace);
  f.MIHistoriqueReglages->setVisible(false);
  connect(f.MIHelpContentsItem, &QAction::triggered, this, &MainWindow::openManual);
  connect(f.MIHelpAboutItem, &QAction::triggered, this, &MainWindow::showAbout);

  // Until the other windows are attached, the entries that open them are disabled.
  for (QAction* opener : {f.MISurface, f.MIColorf, f.MIProprietes, f.MIFullcardtest, f.Texteutilisateur1,
                          f.Correctionautodesproportions1, f.MIRapport, f.MIHistorique})
    opener->setEnabled(false);

  ports_ = new QActionGroup(this);
  const std::pair<QAction*, ParallelPortKind> portItems[] = {
      {f.MIPrn, ParallelPortKind::Prn}, {f.MILpt1, ParallelPortKind::Lpt1}, {f.MILpt2, ParallelPortKind::Lpt2}};
  for (const auto& [item, kind] : portItems) {
    ports_->addAction(item);
    connect(item, &QAction::triggered, this, [this, kind = kind] { session_.selectParallelPort(kind); });
  }
  languages_ = new QActionGroup(this);
  const std::pair<QAction*, int> languageItems[] = {
      {f.MIFrancais, 1}, {f.MIEnglish, 2}, {f.MINederlands, 3}, {f.MIDeutsch, 4}};
  for (const auto& [item, n] : languageItems) {
    languages_->addAction(item);
    connect(item, &QAction::triggered, this, [this, n = n] { session_.applyLanguage(n); });
  }

  // The tool bar's buttons carry their own names.
  const std::pair<QAction*, const char*> tools[] = {{f.MINew, "TBNew"},         {f.MIOpen, "TBOpen"},
                                                    {f.MISave, "TBSave"},       {f.MIPrint, "TBPrint"},
                                                    {f.MISurface, "TBSurface"}, {f.MIColorf, "TBColorf"}};
  for (const auto& [item, name] : tools)
    if (QWidget* button = f.ToolBar1->widgetForAction(item)) button->setObjectName(QString::fromLatin1(name));
}

void MainWindow::wireControls() {
  Ui::FVelmora& f = *ui_;
  connect(f.RBStart, &QRadioButton::clicked, this, [this] { session_.setRunning(true); });
  connect(f.RBStop, &QRadioButton::clicked, this, [this] { session_.setRunning(false); });
  connect(f.BPistolet, &QPushButton::clicked, this, [this] { session_.toggleGun(); });
  connect(f.PulseSimuRoul, &QCheckBox::clicked, this, [this](bool on) { session_.switchGunValve(on); });
  connect(f.ButRemplissage_0, &QPushButton::clicked, this, [this] { session_.hoseEmptyButton(); });
  connect(f.ButRemplissage_Full, &QPushButton::clicked, this, &MainWindow::hoseFull);
  connect(f.ButtonRoul, &QPushButton::clicked, this, [this] { session_.rollerButton(); });
  connect(f.LitresP1, &ClickablePanel::clicked, this, [this] { session_.clickPumpLitres(Pump::P1); });
  connect(f.LitresP2, &ClickablePanel::clicked, this, [this] { session_.clickPumpLitres(Pump::P2); });
  connect(f.Distance, &ClickablePanel::clicked, this, [this] { session_.clickDistance(); });
  // The whole correction panel is clicked, its figure and unit included.
  connect(f.PCorrect, &ClickablePanel::clicked, this, [this] { showOther(windows_.correction, OnReturn::KeepTheJob); });
  for (QLabel* part : {f.Correction, f.LPct}) part->setAttribute(Qt::WA_TransparentForMouseEvents);
  connect(f.LDistanceUnit, &ClickablePanel::clicked, this, [this] { showOther(windows_.colours); });
  connect(f.PanelRGB, &ClickablePanel::clicked, this, [this] {
    if (!windows_.fullColourView) return;
    windows_.fullColourView->show();
    windows_.fullColourView->raise();
  });
  f.LDistanceUnit->setEnabled(false);
  // The input boxes only show the inputs' states.
  for (QCheckBox* box : {f.CBR, f.CBP1, f.CBP2}) box->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MainWindow::showModally(QDialog& window, OnReturn onReturn) {
  window.exec();
  if (onReturn == OnReturn::Activate) session_.activateMainWindow();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // The first activation: the card initialised, the next tick only records the inputs.
  session_.activateMainWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!session_.mayCloseProject()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ClientArea && event->type() == QEvent::MouseMove) setStatus(std::string(), std::string());
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onChanged(const Change& change) {
  if (change.has(Changed::Language)) dialogsLanguage_.follow(session_.language());
  if (change.has(Changed::SurfaceView) || change.has(Changed::ProportionViews) || change.has(Changed::ColourRows))
    showPictures();
  if (change.has(Changed::Figures) || change.has(Changed::Settings) || change.has(Changed::SurfaceRows) ||
      change.has(Changed::ProportionRows) || change.has(Changed::HoseConditions))
    showFigures();
  if (change.has(Changed::Port) || (change.has(Changed::Figures) && machineAtPathEnd() != shownAtPathEnd_)) showPort();
  if (change.has(Changed::Job)) showJob();
  if (change.has(Changed::DocumentNames)) showNames();
  if (change.has(Changed::HoseConditions)) showHoseConditions();
  if (change.has(Changed::Language)) relabel();
}

void MainWindow::showFigures() {
  Ui::FVelmora& f = *ui_;
  const MainWindowFigures& m = session_.main();
  const PlanTotals& totals = session_.plan().totals();
  const std::pair<QLabel*, const std::string*> texts[] = {
      {f.TrRoul, &m.TrRoul},       {f.TrP1, &m.TrP1},           {f.TrP2, &m.TrP2},
      {f.m2Roul, &m.m2Roul},       {f.LitresP1, &m.LitresP1},   {f.LitresP2, &m.LitresP2},
      {f.PulseM2_, &m.PulseM2_},   {f.PulseM2, &m.PulseM2},     {f.P1trl, &m.P1trl},
      {f.P2trl, &m.P2trl},         {f.LTot, &totals.LTot},      {f.STot, &totals.STot},
      {f.P1lTot, &m.P1lTot},       {f.P2lTot, &m.P2lTot},       {f.P1P2ltot, &m.P1P2ltot},
      {f.Leffect, &m.Leffect},     {f.Seffect, &m.Seffect},     {f.P1lEffect, &m.P1lEffect},
      {f.P2lEffect, &m.P2lEffect}, {f.P1P2lEffect, &m.P1P2lEffect}, {f.LReste, &m.LReste},
      {f.SReste, &m.SReste},       {f.P1lReste, &m.P1lReste},   {f.P2lReste, &m.P2lReste},
      {f.P1P2lReste, &m.P1P2lReste}, {f.LCapteur, &m.LCapteur}, {f.LHz, &m.LHz},
      {f.Distance, &m.Distance},   {f.Correction, &m.Correction}, {f.HMax, &totals.HMax},
      {f.LongTot, &totals.LongTot}};
  for (const auto& [label, value] : texts) showText(label, *value);

  f.CBR->setChecked(m.CBR);
  f.CBP1->setChecked(m.CBP1);
  f.CBP2->setChecked(m.CBP2);
  f.PulseSimuRoul->setChecked(m.PulseSimuRoul);
  f.LitresP1->setEnabled(m.LitresP1Enabled);
  f.LitresP2->setEnabled(m.LitresP2Enabled);
  f.ButtonRoul->setEnabled(m.ButtonRoulEnabled);
  setTextColour(f.LHz, m.LHzColour);
  setTextColour(f.LHz2, m.LHzColour);

  if (const auto& pick = session_.surfacePick()) {
    const QColor colour = qColourOf(*pick);
    showText(f.PropR, std::to_string(colour.red()));
    showText(f.PropG, std::to_string(colour.green()));
    showText(f.PropB, std::to_string(colour.blue()));
    const QString swatch = QStringLiteral("background-color: %1;").arg(colour.name());
    if (f.PanelRGB->styleSheet() != swatch) f.PanelRGB->setStyleSheet(swatch);
  }
  showRunState();
  showBars();
}

void MainWindow::showRunState() {
  Ui::FVelmora& f = *ui_;
  const PaintingState& state = session_.state();
  f.RBStart->setChecked(state.Running);
  f.RBStop->setChecked(!state.Running);
  f.BPistolet->setText(state.GunOn ? QStringLiteral("ON") : QStringLiteral("OFF"));
  setTextColour(f.BPistolet, state.GunOn ? kGreen : kRed);
}

void MainWindow::showBars() {
  const MainWindowFigures& m = session_.main();
  // Redrawn only when they moved: most ticks change a figure but no bar.
  if (shownBars_ && shownBars_->ImageParcouru == m.ImageParcouru && shownBars_->ImageProportion == m.ImageProportion &&
      shownBars_->ImageRemplissageTuyau == m.ImageRemplissageTuyau && shownBars_->GaugeConsigne == m.GaugeConsigne &&
      shownBars_->gaugeColours == m.gaugeColours && shownBars_->width == travelled_.width())
    return;
  shownBars_ = ShownBars{m.ImageParcouru, m.ImageProportion, m.ImageRemplissageTuyau, m.GaugeConsigne, m.gaugeColours,
                         travelled_.width()};
  drawBar(travelled_, m.ImageParcouru);
  drawBar(proportionBar_, m.ImageProportion);
  drawBar(hose_, m.ImageRemplissageTuyau);
  ui_->ImageParcouru->setPicture(travelled_);
  ui_->ImageProportion->setPicture(proportionBar_);
  ui_->ImageRemplissageTuyau->setPicture(hose_);
  drawGauge(gauge_, m.GaugeConsigne, m.gaugeColours);
  ui_->GaugeConsigne->setPixmap(QPixmap::fromImage(gauge_));
}

void MainWindow::showPictures() {
  redrawViews(pictures_, session_);
  ui_->ImageSurf->setPicture(pictures_.surface);
  ui_->ImageProp->setPicture(pictures_.proportion);
  ui_->ImagePropCoul->setPicture(pictures_.colourScale);
}

void MainWindow::showPort() {
  Ui::FVelmora& f = *ui_;
  const ParallelPortKind kind = session_.selectedPort();
  (kind == ParallelPortKind::Prn ? f.MIPrn : kind == ParallelPortKind::Lpt1 ? f.MILpt1 : f.MILpt2)->setChecked(true);
  // The simulated roller stopped at the end of the path says so first: the panel shows the
  // start of a long line.
  shownAtPathEnd_ = machineAtPathEnd();
  const QString summary = qtText((shownAtPathEnd_ ? "Fin du parcours — " : "") + drivingSummary(session_));
  portPanel_->setText(summary);
  portPanel_->setToolTip(summary);
  // The simulated machine can be set up only while it is what the program drives.
  f.MIMachineSimulee->setVisible(machine_ && machine_() != nullptr);
}

// The marker of changes not yet saved is written into the caption here rather than through
// Qt's "[*]": the caption stays the project's title as it is, whatever its path holds.
void MainWindow::showNames() { setWindowTitle(qtText(session_.mainWindowTitle())); }

void MainWindow::showHoseConditions() {
  // The hose bar and the proportion bar only mean something while the dosing anticipates.
  const bool anticipating = session_.plan().anticipation();
  ui_->PanelRemplissage->setVisible(anticipating);
  ui_->LProportions2->setVisible(anticipating);
  ui_->PanelProp->setVisible(anticipating);
}

void MainWindow::relabel() {
  for (const LabelAssignment& label : ApplyLanguage(session_.language())) {
    const QString name = qtText(label.control);
    const QString value = qtText(label.text);
    if (auto* menu = findChild<QMenu*>(name)) {
      if (label.property == LabelProperty::Caption)
        menu->setTitle(value);
      else
        menu->menuAction()->setStatusTip(value);
    } else if (auto* action = findChild<QAction*>(name)) {
      if (label.property == LabelProperty::Caption)
        action->setText(value);
      else
        action->setStatusTip(value);
    } else if (auto* group = findChild<QGroupBox*>(name)) {
      group->setTitle(value);
    } else if (auto* button = findChild<QAbstractButton*>(name)) {
      button->setText(value);
    } else if (auto* caption = findChild<QLabel*>(name)) {
      caption->setText(value);
    }
  }
}

void MainWindow::setStatus(const std::optional<std::string>& panel0, const std::optional<std::string>& panel1) {
  if (panel0) showText(panel0_, *panel0);
  if (panel1) showText(panel1_, *panel1);
}

void MainWindow::hoseFull() {
  session_.hoseFullButton();
  // On the simulated machine the operator has set the roller back at the start, hose full.
  if (sim::AttachedMachine* machine = machine_ ? machine_() : nullptr) machine->rollerBackAtStart();
}

bool MainWindow::machineAtPathEnd() const {
  const sim::AttachedMachine* machine = machine_ ? machine_() : nullptr;
  return machine && machine->atPathEnd();
}

void MainWindow::showJob() {
  ui_->MITerminerChantier->setEnabled(session_.jobRunning());
  showHistoryState();
}

void MainWindow::showHistoryState() {
  const JobHistory* history = session_.jobHistory();
  historyPanel_->setVisible(history != nullptr);
  if (!history) return;
  const std::string line = history->statusLine();
  showText(historyPanel_, line);
  historyPanel_->setToolTip(qtText(line));
  const QString style = history->inTrouble() ? QStringLiteral("color: #b00000;") : QString();
  if (historyPanel_->styleSheet() != style) historyPanel_->setStyleSheet(style);
}

void MainWindow::setHistoryPlaceAccess(HistoryPlaceAccess access) {
  historyPlace_ = std::move(access);
  ui_->MIHistoriqueReglages->setVisible(historyPlace_.current && historyPlace_.choose);
  showHistoryState();
}

void MainWindow::editHistoryPlace() {
  if (!historyPlace_.current || !historyPlace_.choose) return;
  const JobHistory* history = session_.jobHistory();
  HistorySettingsDialog dialog(this);
  dialog.showWebView(historyPlace_.webView ? historyPlace_.webView() : std::nullopt);
  if (auto place = dialog.edit(historyPlace_.current(), defaultHistoryPath(), hostName(),
                               history ? history->statusLine() : std::string()))
    historyPlace_.choose(*place);
  showHistoryState();
}

void MainWindow::editSimulatedMachine() {
  sim::AttachedMachine* machine = machine_ ? machine_() : nullptr;
  if (!machine) return;
  SimulatedMachineDialog dialog(this);
  if (auto config = dialog.edit(machine->config())) machine->setConfig(std::move(*config));
}

void MainWindow::print() {
  // A window wider than tall goes on a landscape page, unless the operator turns it.
  const QSize client = ui_->ClientArea->size();
  printer_->setPageOrientation(client.width() > client.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (!confirmPrint_ || !confirmPrint_(*printer_)) return;
  printClientArea(*printer_);
}

QRectF printedArea(QSizeF client, double printerOverScreen, QSizeF printable) {
  const QSizeF onScreen = client * printerOverScreen;
  if (onScreen.width() <= printable.width() && onScreen.height() <= printable.height()) return {{0, 0}, onScreen};
  return {{0, 0}, onScreen.scaled(printable, Qt::KeepAspectRatio)};
}

void MainWindow::printClientArea(QPrinter& printer) {
  const QPixmap client = ui_->ClientArea->grab();
  QPainter painter;
  if (!painter.begin(&printer)) {
    if (Asker* asker = session_.asker()) asker->showError("Impression impossible : l'imprimante refuse la page");
    return;
  }
  // At its on-screen size (the printer's resolution over the screen's) where the page holds it,
  // else as large as the page allows: the whole window, its proportions kept.
  const double printerOverScreen = double(printer.logicalDpiX()) / double(logicalDpiX());
  const QRectF area = printedArea(client.deviceIndependentSize(), printerOverScreen,
                                  printer.pageLayout().paintRectPixels(printer.resolution()).size());
  painter.drawPixmap(area, client, client.rect());
  painter.end();
}

void MainWindow::printSetup() {
  QPageSetupDialog dialog(printer_.get(), this);
  dialog.exec();
}

void MainWindow::openManual() {
  Asker* asker = session_.asker();
  auto open = [asker](const QString& file) {
    const QString word = QStandardPaths::findExecutable(QStringLiteral("winword.exe"));
    if (!word.isEmpty() && QProcess::startDetached(word, {file}, QString())) return;
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()))) return;
    if (asker)
      asker->showError("Le manuel " + file.toStdString() +
                       " ne peut pas être ouvert : ni winword.exe ni aucun programme de ce bureau ne lit ce fichier.");
  };
  if (QFileInfo::exists(QStringLiteral("Notice.doc"))) {
    open(QStringLiteral("Notice.doc"));
    return;
  }
  // Without the manual of old beside the program, the one installed with it, in the browser.
  if (const std::filesystem::path manual = installedManual(); !manual.empty() && std::filesystem::exists(manual)) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual.string()))) && asker)
      asker->showError("Le manuel " + manual.string() + " ne peut pas être ouvert : aucun navigateur de ce bureau ne l'affiche.");
    return;
  }
  if (!asker) return;
  if (auto chosen = asker->askOpenName(DocumentKind::Manual, "Noname")) open(qtText(*chosen));
}

void MainWindow::showAbout() {
  AboutBox about(this);
  showModally(about, OnReturn::KeepTheJob);
}

}  // namespace chromaflow
