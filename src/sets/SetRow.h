#pragma once

#include "fw/FolderItem.h"

#include <QString>

namespace sets {

// The popup row of a set: "√ " for an enabled set or "- " for a disabled one, then the name
// of its source folder.
QString setRow(const fw::FolderItem& source, bool enabled);

// A popup row as a screen reader says it: the set's name and whether it is enabled, without
// the mark. An empty row (no set) is "No backup set".
QString spokenRow(const QString& row);

} // namespace sets
