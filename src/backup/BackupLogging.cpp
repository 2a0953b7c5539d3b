#include "BackupLogging.h"

namespace backup {

Q_LOGGING_CATEGORY(lcBackup, "tolvane.backup")

} // namespace backup
