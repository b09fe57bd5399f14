#pragma once
// The core's texts as the windows show them.

#include <QLabel>
#include <QString>

#include <string>

namespace chromaflow {

inline QString qtText(const std::string& s) { return QString::fromStdString(s); }

// Sets a label's text only when it changes: a label set on every reading-cycle tick would be
// laid out and repainted each time.
inline void showText(QLabel* label, const std::string& s) {
  const QString shown = qtText(s);
  if (label->text() != shown) label->setText(shown);
}

}  // namespace chromaflow
