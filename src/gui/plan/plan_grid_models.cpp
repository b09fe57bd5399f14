#include "gui/plan/plan_grid_models.h"

#include <QColor>

#include <algorithm>

#include "core/plan/colour_table.h"
#include "core/plan/plan.h"
#include "gui/widgets/shown_text.h"

namespace chromaflow {

TableGridModel::TableGridModel(int tableRows, int columns, Qt::Alignment alignment, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns), alignment_(static_cast<int>(alignment)), shownRows_(tableRows) {}

int TableGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_ + 1; }

int TableGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant TableGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return qtText(cell(index.row() + 1, index.column() + 1));
  if (role == Qt::TextAlignmentRole) return alignment_;
  return {};
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || section < 0) return {};
  return qtText(orientation == Qt::Horizontal ? cell(0, section + 1) : cell(section + 1, 0));
}

Qt::ItemFlags TableGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TableGridModel::refresh() {
  const int was = shownRows_, now = tableRows();
  if (now > was) {
    beginInsertRows({}, was + 1, now);
    shownRows_ = now;
    endInsertRows();
  } else if (now < was) {
    beginRemoveRows({}, now + 1, was);
    shownRows_ = now;
    endRemoveRows();
  }
  // One range for every cell: the view repaints what it shows, whatever the range's size.
  Q_EMIT dataChanged(index(0, 0), index(now, columns_ - 1), {Qt::DisplayRole, kSwatchRole});
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  // A row's number is its place, so the only one that changes is the number of the row that was
  // the " +" row, or has become it; the rows added are painted anew.
  const int moved = std::min(was, now);
  Q_EMIT headerDataChanged(Qt::Vertical, moved, moved);
}

SurfaceGridModel::SurfaceGridModel(const Plan& plan, QObject* parent)
    : TableGridModel(plan.surfaceCount(), 5, Qt::AlignRight | Qt::AlignVCenter, parent), plan_(plan) {}

int SurfaceGridModel::tableRows() const { return plan_.surfaceCount(); }

std::string SurfaceGridModel::cell(int row, int column) const { return plan_.surfaceCell(row, column); }

ProportionGridModel::ProportionGridModel(const Plan& plan, QObject* parent)
    : TableGridModel(plan.proportionCount(), 6, Qt::AlignRight | Qt::AlignVCenter, parent), plan_(plan) {}

int ProportionGridModel::tableRows() const { return plan_.proportionCount(); }

std::string ProportionGridModel::cell(int row, int column) const { return plan_.proportionCell(row, column); }

QVariant ProportionGridModel::data(const QModelIndex& index, int role) const {
  if (role != kSwatchRole) return TableGridModel::data(index, role);
  if (!index.isValid() || index.column() != kRgbColumn) return {};
  // A row whose proportion is an integer shows its R, G and B as a swatch; the " +" row's cells
  // are empty and so show none.
  const int j = index.row() + 1;
  bool proportionOk = false, rOk = false, gOk = false, bOk = false;
  qtText(plan_.proportionCell(j, 2)).toInt(&proportionOk);
  const QColor colour(qtText(plan_.proportionCell(j, 4)).toInt(&rOk), qtText(plan_.proportionCell(j, 5)).toInt(&gOk),
                      qtText(plan_.proportionCell(j, 6)).toInt(&bOk));
  if (!(proportionOk && rOk && gOk && bOk)) return {};
  return colour;
}

ColourGridModel::ColourGridModel(const ColourTable& table, QObject* parent)
    : TableGridModel(table.gridRows() - 2, 5, Qt::AlignCenter, parent), table_(table) {}

int ColourGridModel::tableRows() const { return table_.gridRows() - 2; }

std::string ColourGridModel::cell(int row, int column) const { return table_.cell(row, column); }

}  // namespace chromaflow
