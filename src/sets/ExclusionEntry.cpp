#include "ExclusionEntry.h"

#include "fw/Text.h"

#include <QListWidget>

namespace sets {

namespace {
constexpr int entryRole = Qt::UserRole;
} // namespace

void appendExclusion(QListWidget& list, const std::string& entry) {
    // Filled before it is added: setting data on a row already in the list would announce it
    // as changed.
    auto* row = new QListWidgetItem(fw::toQString(entry));
    row->setData(entryRole, QByteArray::fromStdString(entry));
    list.addItem(row);
}

std::string exclusionText(const QListWidget& list, int row) {
    const QListWidgetItem* item = list.item(row);
    const QVariant entry = item->data(entryRole);
    return entry.isValid() ? entry.toByteArray().toStdString() : fw::fromQString(item->text());
}

} // namespace sets
