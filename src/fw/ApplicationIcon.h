#pragma once

#include <QIcon>

namespace fw {

// The application's icon, read from the icon theme folders of the application's data
// (share/icons/hicolor/<size>/apps/ beside the executable's folder), one file per size, each
// named after the application's desktop file name as the freedesktop.org icon naming wants.
QIcon ApplicationIcon();

} // namespace fw
