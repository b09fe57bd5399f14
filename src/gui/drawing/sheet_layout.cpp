#include "gui/drawing/sheet_layout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

namespace chromaflow {
namespace {

QFont sheetFont(qreal points, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

const QColor kHeadingFill(225, 225, 225);
const QColor kStripeFill(245, 245, 245);
const QColor kRule(120, 120, 120);
const QColor kNote(60, 60, 60);

// Room around a cell's text, as a share of its line height.
constexpr qreal kCellPadding = 0.25;

qreal sectionTitleHeight(const SheetFonts& fonts, const QPaintDevice& device) {
  return lineHeight(fonts.section, device) * 1.6;
}

}  // namespace

SheetFonts sheetFonts() {
  return {sheetFont(20, true), sheetFont(12.5, true), sheetFont(10),       sheetFont(10, true),
          sheetFont(7.5),      sheetFont(7.5),        sheetFont(7.5, true)};
}

qreal millimetres(const QPaintDevice& device, qreal mm) { return mm * device.logicalDpiY() / 25.4; }

qreal lineHeight(const QFont& font, const QPaintDevice& device) {
  return QFontMetricsF(font, const_cast<QPaintDevice*>(&device)).lineSpacing();
}

std::vector<QString> wrappedLines(const QString& text, const QFont& font, const QPaintDevice& device, qreal width) {
  if (text.isEmpty()) return {QString()};
  QTextLayout layout(text, font, const_cast<QPaintDevice*>(&device));
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  std::vector<QString> lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
  }
  layout.endLayout();
  if (lines.empty()) lines.emplace_back();
  return lines;
}

SheetLayout::SheetLayout(const QPaintDevice& device, QSizeF content, qreal footerHeight)
    : device_(device), content_(content), footerHeight_(footerHeight) {}

void SheetLayout::newPage() {
  pages_.emplace_back();
  y_ = 0;
}

void SheetLayout::keep(qreal height) {
  if (!fresh() && height > remaining()) newPage();
}

QRectF SheetLayout::place(qreal height, SheetDrawing drawing) {
  keep(height);
  const QRectF rect(0, y_, width(), std::min(height, bodyHeight()));
  pages_.back().push_back({rect, std::move(drawing)});
  y_ += rect.height();
  return rect;
}

void SheetLayout::skip(qreal height) {
  if (!fresh()) y_ = std::min(y_ + height, bodyHeight());
}

void SheetLayout::placeText(const QString& text, const QFont& font, const QColor& colour, qreal indent) {
  const qreal height = lineHeight(font, device_);
  for (const QString& line : wrappedLines(text, font, device_, width() - indent))
    place(height, [line, font, colour, indent](QPainter& painter, const QRectF& rect) {
      painter.setFont(font);
      painter.setPen(colour);
      painter.drawText(rect.adjusted(indent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, line);
    });
}

bool SheetLayout::paint(QPainter& painter, const std::function<bool()>& nextPage, const Footer& footer) const {
  const QRectF band(0, content_.height() - footerHeight_, content_.width(), footerHeight_);
  const int count = pageCount();
  for (int page = 0; page < count; ++page) {
    if (page > 0 && !nextPage()) return false;
    for (const Placed& placed : pages_[static_cast<std::size_t>(page)]) {
      painter.save();
      painter.setClipRect(placed.rect);
      placed.drawing(painter, placed.rect);
      painter.restore();
    }
    footer(painter, band, page + 1, count);
  }
  return true;
}

void placeSectionTitle(SheetLayout& layout, const QString& title, const SheetFonts& fonts, qreal following) {
  const qreal height = sectionTitleHeight(fonts, layout.device());
  layout.keep(height + following);
  layout.place(height, [title, font = fonts.section](QPainter& painter, const QRectF& rect) {
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setPen(QPen(kRule, rect.height() * 0.03));
    const qreal y = rect.bottom() - rect.height() * 0.12;
    painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
  });
}

void placeTable(SheetLayout& layout, const SheetTable& table, const SheetFonts& fonts) {
  const QPaintDevice& device = layout.device();
  const qreal line = lineHeight(fonts.table, device);
  const qreal padding = line * kCellPadding;
  const qreal rowHeight = line + 2 * padding;

  // Column edges, and the heading's cells wrapped within their column.
  std::vector<qreal> lefts, widths;
  qreal shares = 0;
  for (const SheetColumn& c : table.columns) shares += c.share;
  qreal x = 0;
  for (const SheetColumn& c : table.columns) {
    lefts.push_back(x);
    widths.push_back(layout.width() * c.share / (shares > 0 ? shares : 1));
    x += widths.back();
  }
  std::vector<QString> headings;
  std::size_t headingLines = 1;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const std::vector<QString> lines =
        wrappedLines(table.columns[i].heading, fonts.tableBold, device, widths[i] - 2 * padding);
    headingLines = std::max(headingLines, lines.size());
    QString joined;
    for (const QString& l : lines) joined += (joined.isEmpty() ? QString() : QStringLiteral("\n")) + l;
    headings.push_back(joined);
  }
  const qreal headingHeight = static_cast<qreal>(headingLines) * lineHeight(fonts.tableBold, device) + 2 * padding;

  // Copied into every row's drawing, which is painted after this function has returned.
  const auto cellRect = [lefts, widths, padding](const QRectF& row, std::size_t i) {
    return QRectF(row.left() + lefts[i] + padding, row.top(), widths[i] - 2 * padding, row.height());
  };
  const auto placeHeading = [&](bool continued) {
    placeSectionTitle(layout, continued ? table.title + QStringLiteral(" (suite)") : table.title, fonts, 0);
    if (!continued && !table.note.isEmpty()) layout.placeText(table.note, fonts.small, kNote);
    layout.place(headingHeight,
                 [=, columns = table.columns, font = fonts.tableBold](QPainter& painter, const QRectF& rect) {
                   painter.fillRect(rect, kHeadingFill);
                   painter.setFont(font);
                   painter.setPen(Qt::black);
                   for (std::size_t i = 0; i < columns.size(); ++i) {
                     const QRectF cell = cellRect(rect, i);
                     painter.drawText(cell, static_cast<int>(columns[i].alignment | Qt::AlignBottom), headings[i]);
                   }
                 });
  };

  const qreal titleHeight = sectionTitleHeight(fonts, device);
  const std::size_t kept =
      std::min<std::size_t>(table.rows.size(), static_cast<std::size_t>(std::max(table.keepRows, 1)));
  const qreal noteHeight =
      table.note.isEmpty()
          ? 0
          : static_cast<qreal>(wrappedLines(table.note, fonts.small, device, layout.width()).size()) *
                lineHeight(fonts.small, device);
  layout.keep(titleHeight + noteHeight + headingHeight + static_cast<qreal>(kept) * rowHeight);
  placeHeading(false);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    if (layout.remaining() < rowHeight) {
      layout.newPage();
      placeHeading(true);
    }
    const SheetRow& row = table.rows[r];
    const bool stripe = r % 2 == 1 && !row.emphasised;
    layout.place(rowHeight, [=, columns = table.columns](QPainter& painter, const QRectF& rect) {
      if (stripe) painter.fillRect(rect, kStripeFill);
      if (row.emphasised) {
        painter.setPen(QPen(Qt::black, line * 0.06));
        painter.drawLine(rect.topLeft(), rect.topRight());
      }
      painter.setFont(row.emphasised ? fonts.tableBold : fonts.table);
      painter.setPen(Qt::black);
      for (std::size_t i = 0; i < columns.size() && i < row.cells.size(); ++i)
        painter.drawText(cellRect(rect, i), static_cast<int>(columns[i].alignment | Qt::AlignVCenter), row.cells[i]);
    });
  }
}

}  // namespace chromaflow
