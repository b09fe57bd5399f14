#include "gui/plan/colour_window.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QHeaderView>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QValueAxis>

#include <utility>

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/plan/image_form.h"
#include "gui/plan/plan_grid_models.h"
#include "gui/widgets/icons.h"
#include "gui/widgets/picture_view.h"
#include "ui_colour_window.h"

namespace chromaflow {
namespace {

constexpr int kRgbColumn = 1;  // "RGB", the grid's second column after the row numbers

// The "RGB" cells show the colour their number stands for instead of the number.
class RgbCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    bool isNumber = false;
    const qlonglong value = index.data().toString().toLongLong(&isNumber);
    if (!isNumber) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->fillRect(option.rect, qColourOf(static_cast<Rgb>(value & 0xFFFFFF)));
    // The selected row keeps a frame round its colour, so that the colour itself stays true.
    if (option.state & QStyle::State_Selected) {
      painter->save();
      painter->setPen(QPen(option.palette.highlight().color(), 2));
      painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
      painter->restore();
    }
  }
};

QLineSeries* componentSeries(const char* name, QColor colour) {
  auto* series = new QLineSeries;
  series->setName(QString::fromLatin1(name));
  series->setPen(QPen(colour, 2));
  series->setPointsVisible(true);  // a table of one row still shows its point
  series->setMarkerSize(6);
  return series;
}

}  // namespace

ColourWindow::ColourWindow(Session& session, ImageForm& picker, QWidget* parent)
    : QDialog(parent), session_(session), picker_(picker), ui_(std::make_unique<Ui::FColFProp>()) {
  ui_->setupUi(this);

  QTableView* grid = ui_->StringGridProp;
  // The grid reads the table as it paints: the headings and the row numbers are its headers.
  rows_ = new ColourGridModel(session_.colours(), grid);
  grid->setModel(rows_);
  grid->setItemDelegateForColumn(kRgbColumn, new RgbCellDelegate(grid));
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid->verticalHeader()->setMinimumWidth(30);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->horizontalHeader()->setMinimumSectionSize(36);
  grid->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);  // "B": what is left beside a scroll bar
  const int widths[] = {106, 80, 50, 50};
  for (int column = 0; column < 4; ++column) grid->setColumnWidth(column, widths[column]);
  // A press on a row, the " +" row included, opens the picker on it; Enter does the same from
  // the keyboard. A double click's second press finds the picker open already.
  connect(grid, &QTableView::pressed, this, [this](const QModelIndex& cell) { openPickerOn(cell.row() + 1); });
  connect(grid, &QTableView::activated, this, [this](const QModelIndex& cell) {
    if (!picker_.isVisible()) openPickerOn(cell.row() + 1);
  });

  buildChart();
  wireMenu();
  connect(ui_->OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->ImageColBar, &PictureView::resized, this, [this] { showColourBar(); });

  showRows();
  showChart();
  showColourBar();
  showTitle();
  coloursChanged_ = session_.changed.subscribe([this](Change change) {
    if (change.has(Changed::ColourRows)) {
      showRows();
      showChart();
      showColourBar();
    }
    if (change.has(Changed::DocumentNames)) showTitle();
  });
}

ColourWindow::~ColourWindow() = default;

bool ColourWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    cameToFront();
  } else if (event->type() == QEvent::WindowDeactivate) {
    wentBehind();
  }
  return QDialog::event(event);
}

// Shown or hidden, the window also comes to the front or leaves it, whether the desktop reports
// the activation or not.
void ColourWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  cameToFront();
}

void ColourWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Closed (not minimised): the picker opened from it closes with it.
  if (!event->spontaneous()) picker_.hide();
  wentBehind();
}

// Coming to the front sorts and renumbers the table; going behind another window (the picker,
// the main window) hands the new colours to the main window's gauge and views. Each runs once
// however many of the desktop's events report it.
void ColourWindow::cameToFront() {
  if (inFront_) return;
  inFront_ = true;
  session_.colourWindowActivated();
}

void ColourWindow::wentBehind() {
  if (!inFront_) return;
  inFront_ = false;
  session_.colourWindowLeft();
}

void ColourWindow::buildChart() {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("Composition du mélange (rouge, vert, bleu) en fonction des proportions"));
  QFont titleFont = chart->titleFont();
  titleFont.setBold(true);
  chart->setTitleFont(titleFont);
  chart->setBackgroundRoundness(0);
  chart->setMargins(QMargins(6, 6, 6, 6));

  auto* proportions = new QValueAxis;
  proportions->setTitleText(QStringLiteral("Proportions (%)"));
  proportions->setRange(0, 100);
  proportions->setTickCount(11);
  proportions->setLabelFormat(QStringLiteral("%d"));
  auto* component = new QValueAxis;
  component->setRange(0, 255);
  component->setTickCount(6);  // every 51
  component->setLabelFormat(QStringLiteral("%d"));
  chart->addAxis(proportions, Qt::AlignBottom);
  chart->addAxis(component, Qt::AlignLeft);

  rouge_ = componentSeries("Rouge", QColor(255, 0, 0));
  vert_ = componentSeries("Vert", QColor(0, 255, 0));
  bleu_ = componentSeries("Bleu", QColor(0, 0, 255));
  for (QLineSeries* series : {rouge_, vert_, bleu_}) {
    chart->addSeries(series);
    series->attachAxis(proportions);
    series->attachAxis(component);
  }
  chart->legend()->setAlignment(Qt::AlignBottom);
  ui_->ChartColFProp->setChart(chart);
  ui_->ChartColFProp->setRenderHint(QPainter::Antialiasing);
}

void ColourWindow::wireMenu() {
  Ui::FColFProp& f = *ui_;
  f.MINew->setIcon(toolIcon(ToolIcon::New));
  f.MIOpen->setIcon(toolIcon(ToolIcon::Open));
  f.MISave->setIcon(toolIcon(ToolIcon::Save));
  connect(f.MINew, &QAction::triggered, this, [this] { session_.newColours(); });
  connect(f.MIOpen, &QAction::triggered, this, [this] { session_.openColours(true); });
  connect(f.MISave, &QAction::triggered, this, [this] { session_.saveColours(false); });
  connect(f.MISaveAs, &QAction::triggered, this, [this] { session_.saveColours(true); });
  connect(f.MIExit, &QAction::triggered, this, &QDialog::accept);

  // The tool bar's buttons carry their own names.
  const std::pair<QAction*, const char*> tools[] = {{f.MINew, "TBNew"}, {f.MIOpen, "TBOpen"}, {f.MISave, "TBSave"}};
  for (const auto& [item, name] : tools)
    if (QWidget* button = f.ToolBar1->widgetForAction(item)) button->setObjectName(QString::fromLatin1(name));
}

void ColourWindow::showTitle() { setWindowTitle(QString::fromStdString(session_.colours().name().title())); }

void ColourWindow::showRows() {
  rows_->refresh();
  // The rows may have moved under the highlight: none stays selected.
  ui_->StringGridProp->clearSelection();
}

void ColourWindow::showChart() {
  const ColourSeries series = session_.colours().colourSeries();
  const auto fill = [](QLineSeries* line, const std::vector<ChartPoint>& points) {
    QList<QPointF> at;
    at.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartPoint& point : points) at.append(QPointF(point.x, point.y));
    line->replace(at);
  };
  fill(rouge_, series.rouge);
  fill(vert_, series.vert);
  fill(bleu_, series.bleu);
}

void ColourWindow::showColourBar() {
  if (ui_->ImageColBar->size().isEmpty()) return;
  QImage bar = ui_->ImageColBar->blankPicture();
  const ColourTable& table = session_.colours();
  // Column x stands for the proportion 100 x / width; what the table does not cover is white.
  std::vector<Rgb> columns(static_cast<std::size_t>(bar.width()));
  for (int x = 0; x < bar.width(); ++x) columns[static_cast<std::size_t>(x)] = table.colourBarColumn(x, bar.width());
  drawColumns(bar, columns);
  ui_->ImageColBar->setPicture(bar);
}

void ColourWindow::openPickerOn(int gridRow) {
  session_.openColourPicker(gridRow);
  picker_.openOnRow(gridRow);
}

}  // namespace chromaflow
