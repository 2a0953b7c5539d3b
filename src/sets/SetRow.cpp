#include "SetRow.h"

#include "fw/Text.h"

namespace sets {

QString setRow(const fw::FolderItem& source, bool enabled) {
    return fw::toQString((enabled ? "\u221A " : "- ") + source.Name());
}

} // namespace sets
