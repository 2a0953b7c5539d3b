#include "Logging.h"

namespace fw {

Q_LOGGING_CATEGORY(lcFw, "tolvane.fw")

} // namespace fw
