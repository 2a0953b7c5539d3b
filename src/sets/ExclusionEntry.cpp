#include "ExclusionEntry.h"

#include "fw/Text.h"

#include <QListWidget>

namespace sets {

namespace {
constexpr int entryRole = Qt::UserRole;
} // namespace

void appendEntry(QListWidget& list, const std::string& entry) {
    auto* row = new QListWidgetItem(fw::toQString(entry), &list);
    row->setData(entryRole, QByteArray::fromStdString(entry));
}

std::string entryText(const QListWidget& list, int row) {
    const QListWidgetItem* item = list.item(row);
    const QVariant entry = item->data(entryRole);
    return entry.isValid() ? entry.toByteArray().toStdString() : fw::fromQString(item->text());
}

} // namespace sets
