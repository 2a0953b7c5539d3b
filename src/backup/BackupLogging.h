#pragma once

#include <QLoggingCategory>

namespace backup {

// Diagnostics of the backup run ("tolvane.backup").
Q_DECLARE_LOGGING_CATEGORY(lcBackup)

} // namespace backup
