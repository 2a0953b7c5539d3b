#include "SetRow.h"

#include "fw/Text.h"

#include <string>
#include <utility>

namespace sets {

namespace {
const std::string enabledMark = "\u221A ";
const std::string disabledMark = "- ";
} // namespace

QString setRow(const fw::FolderItem& source, bool enabled) {
    return fw::toQString((enabled ? enabledMark : disabledMark) + source.Name());
}

QString spokenRow(const QString& row) {
    if (row.isEmpty())
        return QStringLiteral("No backup set");
    for (const auto& [mark, state] : {std::pair(enabledMark, ", enabled for backup"),
                                      std::pair(disabledMark, ", not enabled for backup")}) {
        const QString shownMark = fw::toQString(mark);
        if (row.startsWith(shownMark))
            return row.mid(shownMark.size()) + QLatin1String(state);
    }
    return row;
}

} // namespace sets
