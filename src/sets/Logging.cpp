#include "Logging.h"

namespace sets {
Q_LOGGING_CATEGORY(lcSets, "tolvane.sets")
} // namespace sets
