#pragma once

#include <QLoggingCategory>

namespace sets {

// Diagnostics of the backup sets and the settings file ("tolvane.sets").
Q_DECLARE_LOGGING_CATEGORY(lcSets)

} // namespace sets
