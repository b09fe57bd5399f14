#pragma once
// Pages of a printed sheet, laid out before they are painted: blocks go down the page one after
// another and onto a new page when they do not fit, so that the page count is known before the
// first page is drawn and every footer can say "Page 2 / 5". Tables are cut between rows, their
// heading repeated at the top of each page they continue on.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPaintDevice;
class QPainter;

namespace chromaflow {

// Something drawn in the rectangle the layout gave it, in the page's content coordinates.
using SheetDrawing = std::function<void(QPainter&, const QRectF&)>;

// The fonts of a sheet, at their sizes on the device it is laid out for.
struct SheetFonts {
  QFont title, section, body, bodyBold, small, table, tableBold;
};
SheetFonts sheetFonts();

// A length on `device` given in millimetres.
qreal millimetres(const QPaintDevice& device, qreal mm);
// The height of one line of `font` on `device`.
qreal lineHeight(const QFont& font, const QPaintDevice& device);
// The lines `text` takes when `width` wide: broken between words, or inside a word longer than
// the line. An empty text takes one empty line.
std::vector<QString> wrappedLines(const QString& text, const QFont& font, const QPaintDevice& device, qreal width);

class SheetLayout {
 public:
  // `device` gives the font metrics; `content` is the size of each page's printable part, of
  // which the bottom `footerHeight` is kept for the footer.
  SheetLayout(const QPaintDevice& device, QSizeF content, qreal footerHeight);

  const QPaintDevice& device() const { return device_; }
  qreal width() const { return content_.width(); }
  // The height a block may take on the current page, and on a fresh one.
  qreal remaining() const { return bodyHeight() - y_; }
  qreal bodyHeight() const { return content_.height() - footerHeight_; }
  bool fresh() const { return y_ == 0; }

  void newPage();
  // Goes to a new page unless `height` still fits on this one.
  void keep(qreal height);
  // A block `height` high at the current position, on a new page when it does not fit here. A
  // block taller than a page is placed at the top of a fresh one and cut at its bottom.
  QRectF place(qreal height, SheetDrawing drawing);
  // A gap between blocks; none at the top of a page.
  void skip(qreal height);

  // Lines of text, wrapped to the width and placed line by line (a paragraph may go on over
  // the next page).
  void placeText(const QString& text, const QFont& font, const QColor& colour = Qt::black, qreal indent = 0);

  int pageCount() const { return static_cast<int>(pages_.size()); }

  using Footer = std::function<void(QPainter&, const QRectF& band, int number, int count)>;
  // Paints every page in order, `footer` last on each; `nextPage` is called between two pages
  // and stops the painting when it returns false.
  bool paint(QPainter& painter, const std::function<bool()>& nextPage, const Footer& footer) const;

 private:
  struct Placed {
    QRectF rect;
    SheetDrawing drawing;
  };

  const QPaintDevice& device_;
  QSizeF content_;
  qreal footerHeight_;
  qreal y_ = 0;
  std::vector<std::vector<Placed>> pages_{1};
};

// A table cut between rows across pages. Column widths are fractions of the layout's width.
struct SheetColumn {
  QString heading;
  qreal share = 0;
  Qt::Alignment alignment = Qt::AlignRight;
};

struct SheetRow {
  std::vector<QString> cells;
  bool emphasised = false;  // a totals row: bold, over a line
};

struct SheetTable {
  QString title;  // the section's title; "(suite)" is added on the pages it continues on
  QString note;   // a line in small print under the title, on the first page only
  std::vector<SheetColumn> columns;
  std::vector<SheetRow> rows;
  int keepRows = 3;  // the title and heading go to a new page unless this many rows follow them
};

void placeTable(SheetLayout& layout, const SheetTable& table, const SheetFonts& fonts);
// A section's title, kept on the same page as the `following` height after it.
void placeSectionTitle(SheetLayout& layout, const QString& title, const SheetFonts& fonts, qreal following);

}  // namespace chromaflow
