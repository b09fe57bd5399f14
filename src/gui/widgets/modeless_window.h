#pragma once
// A window shown without a modal loop of its own (a row editor, the image viewer and its views)
// while one of the program's windows runs modally: Qt blocks the input of every window that is
// not the modal one's, so it becomes the modal window's own window. It then takes the operator's
// input and stays above it.

class QWidget;

namespace chromaflow {

void keepReachable(QWidget& window);

}  // namespace chromaflow
