#include "Pictures.h"

#include "fw/FolderItem.h"

namespace shell {

namespace {

// Returns the picture held in `slot`, reading `fileName` from the Resources folder while the
// slot is still empty. A failed read leaves the slot empty, so the next call tries again.
QPixmap cachedPicture(QPixmap& slot, const char* fileName) {
    if (slot.isNull())
        slot = fw::ResourcesFolder().Child(fileName).OpenAsPicture();
    return slot;
}

} // namespace

QPixmap background() {
    static QPixmap slot;
    return cachedPicture(slot, "background.jpg");
}

QPixmap hard_drive() {
    static QPixmap slot;
    return cachedPicture(slot, "hard_drive.jpg");
}

QPixmap hard_drive2() {
    static QPixmap slot;
    return cachedPicture(slot, "hard_drive2.jpg");
}

QPixmap backup_drive() {
    static QPixmap slot;
    return cachedPicture(slot, "backup_drive.jpg");
}

QPixmap help_background() {
    static QPixmap slot;
    return cachedPicture(slot, "help_background.jpg");
}

} // namespace shell
