// The grids' models on the core's tables: after each edit the view is told, in one go, of the rows
// that came or went at the end and of every cell and number that may read otherwise, and Qt's
// model checker finds nothing amiss whatever the edit.

#include "gui/plan/plan_grid_models.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QSignalSpy>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/plan/colour_table.h"
#include "core/plan/plan.h"

namespace chromaflow::testing {
namespace {

// Qt's model checker on a model, its complaints kept instead of printed.
class CheckedModel {
 public:
  explicit CheckedModel(QAbstractItemModel& model) {
    complaints().clear();
    previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& message) {
      if (QLatin1String(context.category) == QLatin1String("qt.modeltest"))
        complaints().push_back(message.toStdString());
    });
    tester_ =
        std::make_unique<QAbstractItemModelTester>(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  }
  ~CheckedModel() { qInstallMessageHandler(previous_); }
  static std::vector<std::string>& complaints() {
    static std::vector<std::string> kept;
    return kept;
  }

 private:
  QtMessageHandler previous_ = nullptr;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

// What one refresh told the views.
struct Told {
  explicit Told(QAbstractItemModel& model)
      : inserted(&model, &QAbstractItemModel::rowsInserted),
        removed(&model, &QAbstractItemModel::rowsRemoved),
        cells(&model, &QAbstractItemModel::dataChanged),
        headers(&model, &QAbstractItemModel::headerDataChanged) {}

  // The first and last row of each range of rows added or taken away.
  static std::vector<std::pair<int, int>> ranges(QSignalSpy& spy) {
    std::vector<std::pair<int, int>> read;
    for (const QList<QVariant>& signal : spy) read.emplace_back(signal[1].toInt(), signal[2].toInt());
    spy.clear();
    return read;
  }
  // Whether the cells told of cover rows 0..last, every column, and the numbers told of cover
  // grid row `number`.
  bool covered(int last, int columns, int number) {
    bool cellsCovered = false, numberCovered = false;
    for (const QList<QVariant>& signal : cells) {
      const auto from = signal[0].value<QModelIndex>(), to = signal[1].value<QModelIndex>();
      cellsCovered |= from.row() == 0 && from.column() == 0 && to.row() >= last && to.column() == columns - 1;
    }
    for (const QList<QVariant>& signal : headers)
      numberCovered |= signal[0].value<Qt::Orientation>() == Qt::Vertical && signal[1].toInt() <= number &&
                       number <= signal[2].toInt();
    cells.clear();
    headers.clear();
    return cellsCovered && numberCovered;
  }

  QSignalSpy inserted, removed, cells, headers;
};

std::string number(const QAbstractItemModel& model, int row) {
  return model.headerData(row, Qt::Vertical).toString().toStdString();
}
std::string text(const QAbstractItemModel& model, int row, int column) {
  return model.index(row, column).data().toString().toStdString();
}

using Ranges = std::vector<std::pair<int, int>>;

TEST(PlanGridModels, TheProportionGridFollowsEveryEditAtItsEnd) {
  ColourTable colours;
  colours.addRow({0, 240, 230, 200});
  colours.addRow({100, 150, 40, 40});
  Plan plan{colours};
  plan.appendProportion("1.00", 0);
  ProportionGridModel model(plan, nullptr);
  const CheckedModel checked(model);
  Told told(model);
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 6);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Distance (m)");

  // Three rows added: they come after the place of the " +" row, which becomes row 2.
  plan.appendProportion("3.00", 100);
  plan.appendProportion("4.00", 100);
  plan.appendProportion("2.00", 100);
  model.refresh();
  EXPECT_EQ(Told::ranges(told.inserted), (Ranges{{2, 4}}));
  EXPECT_TRUE(told.covered(4, 6, 1));
  ASSERT_EQ(model.rowCount(), 5);
  EXPECT_EQ(number(model, 1), "2");
  EXPECT_EQ(text(model, 1, 0), "2.00");
  EXPECT_EQ(number(model, 4), " +");

  // Rows sorted again, none added: every cell is read anew, no row comes or goes.
  plan.setProportion(1, "5.00", 0);
  model.refresh();
  EXPECT_TRUE(Told::ranges(told.inserted).empty());
  EXPECT_TRUE(Told::ranges(told.removed).empty());
  EXPECT_TRUE(told.covered(4, 6, 4));
  EXPECT_EQ(text(model, 0, 0), "2.00");
  EXPECT_EQ(text(model, 3, 0), "5.00");
  // The swatch: the row's colour in its "RGB" cell only, none on the " +" row.
  EXPECT_EQ(model.index(3, ProportionGridModel::kRgbColumn).data(kSwatchRole).value<QColor>(), QColor(240, 230, 200));
  EXPECT_FALSE(model.index(3, 1).data(kSwatchRole).isValid());
  EXPECT_FALSE(model.index(4, ProportionGridModel::kRgbColumn).data(kSwatchRole).isValid());

  // Two rows taken away: the last two places go, the " +" row moves up to row 2.
  plan.removeProportion(1);
  plan.removeProportion(1);
  model.refresh();
  EXPECT_EQ(Told::ranges(told.removed), (Ranges{{3, 4}}));
  EXPECT_TRUE(told.covered(2, 6, 2));
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(number(model, 2), " +");
  EXPECT_EQ(text(model, 2, 0), "");

  plan.clearProportions();
  model.refresh();
  EXPECT_EQ(Told::ranges(told.removed), (Ranges{{1, 2}}));
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(number(model, 0), " +");
  EXPECT_TRUE(CheckedModel::complaints().empty()) << CheckedModel::complaints().front();
}

TEST(PlanGridModels, TheSurfaceAndColourGridsFollowTheirTables) {
  ColourTable colours;
  Plan plan{colours};
  SurfaceGridModel surfaces(plan, nullptr);
  ColourGridModel colourRows(colours, nullptr);
  const CheckedModel checkedSurfaces(surfaces);
  const CheckedModel checkedColours(colourRows);
  EXPECT_EQ(surfaces.columnCount(), 5);
  EXPECT_EQ(colourRows.columnCount(), 5);
  EXPECT_EQ(surfaces.headerData(3, Qt::Horizontal).toString(), "L report (m)");
  EXPECT_EQ(colourRows.headerData(0, Qt::Horizontal).toString(), "Proportions (%)");

  plan.appendSurface({2.5f, 4});
  plan.appendSurface({1.2f, 2});
  surfaces.refresh();
  ASSERT_EQ(surfaces.rowCount(), 3);
  EXPECT_EQ(text(surfaces, 1, 3), "6.00");  // the cumulative length
  EXPECT_EQ(number(surfaces, 2), " +");
  EXPECT_EQ(surfaces.index(1, 3).data(Qt::TextAlignmentRole).toInt(),
            static_cast<int>(Qt::AlignRight | Qt::AlignVCenter));
  plan.removeSurface(1);
  surfaces.refresh();
  ASSERT_EQ(surfaces.rowCount(), 2);
  EXPECT_EQ(text(surfaces, 0, 0), "1.20");

  colours.addRow({100, 150, 40, 40});
  colours.addRow({0, 240, 230, 200});
  colourRows.refresh();
  ASSERT_EQ(colourRows.rowCount(), 3);
  EXPECT_EQ(number(colourRows, 0), "1");
  EXPECT_EQ(text(colourRows, 0, 0), "0");
  EXPECT_EQ(text(colourRows, 1, 1), "2631830");
  EXPECT_EQ(colourRows.index(1, 1).data(Qt::TextAlignmentRole).toInt(), static_cast<int>(Qt::AlignCenter));
  colours.clearRows();
  colourRows.refresh();
  EXPECT_EQ(colourRows.rowCount(), 1);
  EXPECT_EQ(number(colourRows, 0), " +");
  EXPECT_TRUE(CheckedModel::complaints().empty()) << CheckedModel::complaints().front();
}

}  // namespace
}  // namespace chromaflow::testing
