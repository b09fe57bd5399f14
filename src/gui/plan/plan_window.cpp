#include "gui/plan/plan_window.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>

#include "core/plan/proportion_bars.h"
#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/plan/plan_grid_models.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/widgets/icons.h"
#include "gui/widgets/picture_view.h"
#include "gui/widgets/shown_text.h"
#include "ui_plan_window.h"

namespace chromaflow {
namespace {

constexpr Rgb kPureBlue = rgbOf(0, 0, 255);

// The "RGB" cell of a proportion row shows its colour as a swatch over the whole cell, not the
// number it holds.
class SwatchDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QVariant swatch = index.data(kSwatchRole);
    if (!swatch.isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->fillRect(option.rect, swatch.value<QColor>());
  }
};

// Columns wide enough for their heading and for `widest` cell, so that nothing is cut and no
// column moves as the rows change. The columns in `sharing` share the width the grid gets beyond
// what it asks for.
void setupGrid(QTableView& grid, const QStringList& widest, QList<int> sharing) {
  const QFontMetrics text = grid.fontMetrics();
  const QFontMetrics heading = grid.horizontalHeader()->fontMetrics();
  QHeaderView& side = *grid.verticalHeader();
  side.setSectionResizeMode(QHeaderView::Fixed);
  side.setDefaultSectionSize(text.height() + 8);
  side.setDefaultAlignment(Qt::AlignCenter);
  // Room for " +" and the hundredth surface.
  const int sideWidth = text.horizontalAdvance(QStringLiteral("0000")) + 12;
  side.setFixedWidth(sideWidth);

  QHeaderView& top = *grid.horizontalHeader();
  top.setStretchLastSection(false);
  int fixedWidth = 0, sharedWidth = 0;
  for (int c = 0; c < grid.model()->columnCount(); ++c) {
    const QString title = grid.model()->headerData(c, Qt::Horizontal).toString();
    const int width = std::max(heading.horizontalAdvance(title) + 18, text.horizontalAdvance(widest.value(c)) + 14);
    if (sharing.contains(c)) {
      top.setSectionResizeMode(c, QHeaderView::Stretch);
      sharedWidth = std::max(sharedWidth, width);
    } else {
      top.setSectionResizeMode(c, QHeaderView::Fixed);
      grid.setColumnWidth(c, width);
      fixedWidth += width;
    }
  }
  const int scrollBar = grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid);
  grid.setMinimumWidth(sideWidth + fixedWidth + static_cast<int>(sharing.size()) * sharedWidth + scrollBar +
                       2 * grid.frameWidth() + 2);
  grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

}  // namespace

PlanWindow::PlanWindow(Session& session, SurfaceEditorWindow& surfaceEditor, ProportionEditorWindow& proportionEditor,
                       QWidget* parent)
    : QDialog(parent),
      session_(session),
      surfaceEditor_(surfaceEditor),
      proportionEditor_(proportionEditor),
      ui_(std::make_unique<Ui::FSurfProp>()) {
  ui_->setupUi(this);
  layout()->setMenuBar(ui_->MainMenu1);
  ui_->MINew->setIcon(toolIcon(ToolIcon::New));
  ui_->MIOpen->setIcon(toolIcon(ToolIcon::Open));
  ui_->MISave->setIcon(toolIcon(ToolIcon::Save));
  ui_->ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

  // The grids read the plan's tables. Heights, lengths and areas share the width the window
  // gives; so does the proportion.
  const Plan& plan = session_.plan();
  surfaceRows_ = new SurfaceGridModel(plan, ui_->StringGridSurf);
  ui_->StringGridSurf->setModel(surfaceRows_);
  proportionRows_ = new ProportionGridModel(plan, ui_->StringGridPropDist);
  ui_->StringGridPropDist->setModel(proportionRows_);
  setupGrid(*ui_->StringGridSurf, QStringList(5, QStringLiteral("00000.00")), {0, 1, 2});
  setupGrid(*ui_->StringGridPropDist,
            {QStringLiteral("00000.00"), QStringLiteral("100"), QStringLiteral("00000000"), QStringLiteral("000"),
             QStringLiteral("000"), QStringLiteral("000")},
            {1});
  ui_->StringGridPropDist->setItemDelegateForColumn(ProportionGridModel::kRgbColumn,
                                                    new SwatchDelegate(ui_->StringGridPropDist));

  // The file menu and its tool bar.
  connect(ui_->MINew, &QAction::triggered, this, [this] { session_.newPlan(); });
  connect(ui_->MIOpen, &QAction::triggered, this, [this] { session_.openPlan(true); });
  connect(ui_->MISave, &QAction::triggered, this, [this] { session_.savePlan(false); });
  connect(ui_->MISaveAs, &QAction::triggered, this, [this] { session_.savePlan(true); });
  connect(ui_->MIExit, &QAction::triggered, this, &QDialog::close);
  connect(ui_->ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

  // A cell, or the number beside it, opens the row editor on that row.
  connect(ui_->StringGridSurf, &QTableView::clicked, this,
          [this](const QModelIndex& cell) { openSurfaceRow(cell.row()); });
  connect(ui_->StringGridSurf->verticalHeader(), &QHeaderView::sectionClicked, this,
          [this](int row) { openSurfaceRow(row); });
  connect(ui_->StringGridPropDist, &QTableView::clicked, this,
          [this](const QModelIndex& cell) { openProportionRow(cell.row()); });
  connect(ui_->StringGridPropDist->verticalHeader(), &QHeaderView::sectionClicked, this,
          [this](int row) { openProportionRow(row); });

  // The initial conditions.
  connect(ui_->Buttontuyauplein, &QRadioButton::clicked, this, [this] { session_.selectHoseState(HoseState::Full); });
  connect(ui_->Buttontuyauvide, &QRadioButton::clicked, this, [this] { session_.selectHoseState(HoseState::Empty); });
  connect(ui_->SpinEditPropStart, &QSpinBox::valueChanged, this,
          [this](int value) { session_.setStartProportion(value); });
  connect(ui_->Anticipation, &QCheckBox::clicked, this, [this](bool on) { session_.setAnticipation(on); });
  connect(ui_->CompensationMelange, &QCheckBox::clicked, this, [this](bool on) { session_.setMixingLead(on); });

  // The proportion bar follows the pointer while the left button is held on it.
  connect(ui_->ImagePropBar, &PictureView::pressed, this, [this](QPoint at, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    barButtonHeld_ = true;
    pointStartProportionBar(at);
  });
  connect(ui_->ImagePropBar, &PictureView::moved, this, [this](QPoint at) { pointStartProportionBar(at); });
  connect(ui_->ImagePropBar, &PictureView::released, this, [this](QPoint, Qt::MouseButton button) {
    if (button == Qt::LeftButton) barButtonHeld_ = false;
  });
  connect(ui_->ImagePropBar, &PictureView::resized, this, [this] { showStartProportion(); });
  connect(ui_->ImageColBar, &PictureView::resized, this, [this] { showColourBar(); });

  showHoseConditions();
  showColourBar();
  showTitle();
  changed_ = session_.changed.subscribe([this](Change change) { onChanged(change); });
}

PlanWindow::~PlanWindow() = default;

void PlanWindow::onChanged(const Change& change) {
  if (change.has(Changed::SurfaceRows)) showSurfaceRows();
  if (change.has(Changed::ProportionRows) || change.has(Changed::ColourRows)) showProportionRows();
  if (change.has(Changed::HoseConditions) || change.has(Changed::ColourRows)) showHoseConditions();
  if (change.has(Changed::ColourRows)) showColourBar();
  if (change.has(Changed::DocumentNames)) showTitle();
}

void PlanWindow::showSurfaceRows() { surfaceRows_->refresh(); }

void PlanWindow::showProportionRows() { proportionRows_->refresh(); }

void PlanWindow::showHoseConditions() {
  const Plan& plan = session_.plan();
  const bool full = plan.hoseState() == HoseState::Full;
  ui_->Buttontuyauplein->setChecked(full);
  ui_->Buttontuyauvide->setChecked(!full);
  // Only a full hose holds paint of a proportion of its own; an empty one always anticipates.
  for (QWidget* control : {static_cast<QWidget*>(ui_->SpinEditPropStart), static_cast<QWidget*>(ui_->LabelPropStart),
                           static_cast<QWidget*>(ui_->LabelPropStartUnit), static_cast<QWidget*>(ui_->ImagePropBar),
                           static_cast<QWidget*>(ui_->Anticipation)})
    control->setEnabled(full);
  ui_->Anticipation->setChecked(plan.anticipation());
  // The lead needs to know where the paint will be laid.
  ui_->CompensationMelange->setChecked(plan.mixingLead());
  ui_->CompensationMelange->setEnabled(plan.anticipation());
  showStartProportion();
}

void PlanWindow::showStartProportion() {
  const int proportion = session_.plan().startProportion();
  if (ui_->SpinEditPropStart->value() != proportion) {
    const QSignalBlocker quiet(ui_->SpinEditPropStart);
    ui_->SpinEditPropStart->setValue(proportion);
  }

  const CouleurPanel couleur = couleurPanel(session_.colours(), proportion);
  QPalette palette = ui_->Couleur->palette();
  palette.setColor(QPalette::Window, qColourOf(couleur.colour));
  palette.setColor(QPalette::WindowText, Qt::black);
  ui_->Couleur->setPalette(palette);
  ui_->Couleur->setText(qtText(couleur.text));

  QImage bar = ui_->ImagePropBar->blankPicture();
  drawBar(bar, BarFigure{proportionBarBlueColumns(proportion, bar.width()), kPureBlue});
  ui_->ImagePropBar->setPicture(bar);
}

void PlanWindow::showColourBar() {
  QImage bar = ui_->ImageColBar->blankPicture();
  drawColumns(bar, colourBarColumns(session_.colours(), bar.width()));
  ui_->ImageColBar->setPicture(bar);
}

void PlanWindow::showTitle() { setWindowTitle(qtText(session_.plan().name().title())); }

// The editors count the table's rows from 1, as its row numbers show them.
void PlanWindow::openSurfaceRow(int gridRow) { surfaceEditor_.openOnRow(gridRow + 1); }

void PlanWindow::openProportionRow(int gridRow) { proportionEditor_.openOnRow(gridRow + 1); }

void PlanWindow::pointStartProportionBar(QPoint at) {
  const BarPointer pointer = session_.pointStartProportionBar(at.x(), ui_->ImagePropBar->width(), barButtonHeld_);
  ui_->ImagePropBar->setCursor(pointer.splitCursor ? Qt::SplitHCursor : Qt::ArrowCursor);
}

bool PlanWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    entered_ = true;
    // Whatever changed the colours while the window was away shows again.
    showStartProportion();
    showColourBar();
  } else if (event->type() == QEvent::WindowDeactivate) {
    leave();
  }
  return QDialog::event(event);
}

void PlanWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  entered_ = true;
  session_.planWindowShown();
}

void PlanWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Closed (not minimised): the row editors opened from it close with it, or their edits would
  // reach a plan whose window is gone.
  if (!event->spontaneous()) {
    surfaceEditor_.hide();
    proportionEditor_.hide();
  }
  leave();
}

void PlanWindow::leave() {
  if (!entered_) return;
  entered_ = false;
  session_.planWindowLeft();
}

}  // namespace chromaflow
