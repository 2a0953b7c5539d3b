#pragma once

#include <string>

namespace backup {

// Asks a question of the run in a modal Yes/No dialog whose default button is "No". True when
// the user answered "Yes".
bool confirmed(const std::string& title, const std::string& message);

} // namespace backup
