#pragma once
// The colour table: the display colour of a few proportions, interpolated between them, with
// its file (.cov) and its New/Open/Save.

#include <cstdint>
#include <string>
#include <vector>

#include "core/common/chart_point.h"
#include "core/common/document_name.h"
#include "core/common/signal.h"

namespace chromaflow {

using Rgb = std::uint32_t;  // R + 256 G + 65536 B

constexpr Rgb rgbOf(int r, int g, int b) {
  return static_cast<Rgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kNavy = rgbOf(0, 0, 128);

struct ColourRow {
  int proportion = 0;  // 0..100 % of pump P2's paint
  int R = 0, G = 0, B = 0;
  Rgb RGB() const { return rgbOf(R, G, B); }
  bool operator==(const ColourRow&) const = default;
};

struct ColourLookup {
  Rgb colour = kWhite;
  bool found = false;
  int R = 255, G = 255, B = 255;
};

struct GaugeColours {
  Rgb background = kWhite;  // the gauge's empty part
  Rgb bar = kNavy;          // its filled part, standing for the proportion asked
  bool operator==(const GaugeColours&) const = default;
};

// The colour window's chart: each component against the proportion, one point per row.
struct ColourSeries {
  std::vector<ChartPoint> rouge, vert, bleu;
};

class ColourTable {
 public:
  ColourTable();

  const std::vector<ColourRow>& rows() const { return rows_; }
  // Counts the changes of the rows (each ends with RefreshColourTable): whoever keeps what it
  // found of the rows knows by it when to look again.
  unsigned long long revision() const { return revision_; }
  // The grid's cell text (row 0 headings, rows 1..n the table, row n + 1 the " +" row).
  std::string cell(int row, int column) const;
  int gridRows() const { return static_cast<int>(rows_.size()) + 2; }

  // Row editing, as the colour picker does it; each ends with RefreshColourTable, so the rows
  // stand sorted by proportion on return.
  void addRow(const ColourRow& row);
  void setRow(int row, const ColourRow& value);  // row 1..n
  void removeRow(int row);                        // row 1..n
  void clearRows();                               // every row; the file name stays

  ColourLookup ColourOfProportion(float p) const;
  GaugeColours UpdateGaugeColours() const;
  void RefreshColourTable();
  ColourSeries colourSeries() const;
  // The colour of column x (0..width) of a colour bar `width` pixels wide: proportion 100 x / width.
  Rgb colourBarColumn(int x, int width) const;

  DocumentName& name() { return name_; }
  const DocumentName& name() const { return name_; }
  // Whether the rows differ from what the file last read or written holds (none since New).
  bool modified() const { return rows_ != rowsInFile_; }
  // The rows now stand in their file (the project wrote it beside the others).
  void markSaved() { rowsInFile_ = rows_; }
  void NewColours();
  // Open and Save say whether a file was read or written; they throw FileError, after which the
  // rows read stay and the old file stays whole.
  bool OpenColours(bool ask, NameAsker* asker);
  bool SaveColours(bool ask, NameAsker* asker);

  std::vector<std::string> fileLines() const;
  // Adds the rows a colour file's lines hold, then sorts.
  void applyFileLines(const std::vector<std::string>& lines);
  // Of the last file's lines, how many were the heading or a row taken.
  const LinesTaken& linesTakenFromFile() const { return linesTaken_; }

  // After New and Open: the plan recolours its rows and the main window redraws.
  Signal<> coloursChanged;

 private:
  void ColoursChanged();

  std::vector<ColourRow> rows_;
  unsigned long long revision_ = 0;
  std::vector<ColourRow> rowsInFile_;
  DocumentName name_;
  LinesTaken linesTaken_;
};

}  // namespace chromaflow
