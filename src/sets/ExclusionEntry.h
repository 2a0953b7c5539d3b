#pragma once

#include <string>

class QListWidget;

// The entries of an exclusion list as bytes. An entry read from the settings file need not
// be valid UTF-8, and a row's text only shows it; so each row carries its entry's bytes as
// well, and those are what is compared and saved.
namespace sets {

// Appends `entry` as the list's last row. The row joins the list complete, so the list
// announces one inserted row and no changed one: a changed row costs the list a search
// through all its rows, which made loading a long list quadratic.
void appendExclusion(QListWidget& list, const std::string& entry);

// The entry of a row, byte for byte as it was appended; the text of a row added otherwise.
std::string exclusionText(const QListWidget& list, int row);

} // namespace sets
