#pragma once

#include <QLoggingCategory>

namespace fw {

// Diagnostics of the framework layer ("tolvane.fw").
Q_DECLARE_LOGGING_CATEGORY(lcFw)

} // namespace fw
