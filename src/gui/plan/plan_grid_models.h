#pragma once
// The tables of the plan and colour windows as their grids read them. A cell's text is read from
// the core's table when the view paints that cell; nothing of the rows is copied, so a plan of a
// million proportion rows shows as soon as the core has read it, and costs no memory beside it.
//
// A grid shows a table laid out as the core lays it out: the headings (the core's row 0) above
// the columns, the row numbers (its column 0) down the side, and under the last row the " +" row
// that adds one.

#include <QAbstractTableModel>

#include <string>

namespace chromaflow {

class Plan;
class ColourTable;

// Where a proportion row's "RGB" cell gives the colour its R, G and B make, when its proportion
// is an integer; nothing otherwise (the " +" row included).
inline constexpr int kSwatchRole = Qt::UserRole + 1;

class TableGridModel : public QAbstractTableModel {
 public:
  // The table's rows and the " +" row.
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The table's texts changed: rows edited, sorted, added or taken away. Rows come or go at the
  // end as the table grew or shrank, as on a grid whose row count is set, so that the selection
  // and the scroll position stay; the cells are read again as they are painted. Costs nothing
  // that grows with the rows but the rows added or taken away.
  void refresh();

 protected:
  // `tableRows`: the rows the table holds now; `columns`: its cells beside the row number.
  TableGridModel(int tableRows, int columns, Qt::Alignment alignment, QObject* parent);

  virtual int tableRows() const = 0;
  // In the core's layout: row 0 the headings, rows 1..n the table, n + 1 the " +" row; column 0
  // the row's number.
  virtual std::string cell(int row, int column) const = 0;

 private:
  const int columns_;
  const int alignment_;
  int shownRows_;  // the table's rows as the view last heard of them
};

// The plan's surfaces: H, L, S, L report, S.
class SurfaceGridModel final : public TableGridModel {
 public:
  SurfaceGridModel(const Plan& plan, QObject* parent);

 protected:
  int tableRows() const override;
  std::string cell(int row, int column) const override;

 private:
  const Plan& plan_;
};

// The plan's proportion rows: distance, proportion, RGB, R, G, B; the "RGB" cells give their
// swatch (kSwatchRole).
class ProportionGridModel final : public TableGridModel {
 public:
  static constexpr int kRgbColumn = 2;  // the grid's column of "RGB"

  ProportionGridModel(const Plan& plan, QObject* parent);
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 protected:
  int tableRows() const override;
  std::string cell(int row, int column) const override;

 private:
  const Plan& plan_;
};

// The colour table: proportion, RGB, R, G, B, centred.
class ColourGridModel final : public TableGridModel {
 public:
  ColourGridModel(const ColourTable& table, QObject* parent);

 protected:
  int tableRows() const override;
  std::string cell(int row, int column) const override;

 private:
  const ColourTable& table_;
};

}  // namespace chromaflow
