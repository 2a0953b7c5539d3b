#pragma once

#include <QPixmap>

// The five pictures of the windows, each read from its JPEG file in the application's
// "Resources" folder the first time it loads, then held for the life of the process. A
// picture that cannot be loaded gives a null pixmap and is tried again at the next call.
namespace shell {

QPixmap background();
QPixmap hard_drive();
QPixmap hard_drive2();
QPixmap backup_drive();
QPixmap help_background();

} // namespace shell
