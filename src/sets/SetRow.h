#pragma once

#include "fw/FolderItem.h"

#include <QString>

namespace sets {

// The popup row of a set: "√ " for an enabled set or "- " for a disabled one, then the name
// of its source folder.
QString setRow(const fw::FolderItem& source, bool enabled);

} // namespace sets
