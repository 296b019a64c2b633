#pragma once

#include <QIcon>

namespace orv {

// Toolbar and menu icon of a command, drawn by the program itself.
QIcon CommandIcon(int id);

}  // namespace orv
