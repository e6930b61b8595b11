#pragma once

#include <QIcon>

namespace varnett::images {

// Menu images: 0 Build, 1 Create.
QIcon menuImage(int index);
// List images: 0 table, 1 field, 2 view, 3 key field.
QIcon listImage(int index);
// The program's icon, the one installed for the desktop: the window and the
// About box show it.
QIcon programIcon();

} // namespace varnett::images
