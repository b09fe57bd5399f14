#pragma once
// The program's own pictures for the tool bar, the menus and the window: drawn here, so that
// something always shows whatever desktop theme is installed (the theme's icon is preferred
// where it has one).

#include <QIcon>
#include <QPixmap>

namespace chromaflow {

enum class ToolIcon { New, Open, Save, Print, Surface, Colours };

QIcon toolIcon(ToolIcon which);
// A paint roller laying a band that shades from one colour of the mix to the other.
QPixmap programLogo(int size);

}  // namespace chromaflow
