#pragma once

#include <string>

class QListWidget;

// The entries of an exclusion list as bytes. An entry read from the settings file need not
// be valid UTF-8, and a row's text only shows it; so each row carries its entry's bytes as
// well, and those are what is compared and saved.
namespace sets {

// Appends `entry` as the list's last row.
void appendEntry(QListWidget& list, const std::string& entry);

// The entry of a row, byte for byte as it was appended; the text of a row added otherwise.
std::string entryText(const QListWidget& list, int row);

} // namespace sets
