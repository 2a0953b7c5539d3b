#pragma once

#include "fw/Thread.h"

namespace backup {

// Empties a list one entry at a time, with a yield after each removal, so that emptying a
// long list keeps the window responsive. Entries go from the end: removing from the front
// would move every remaining entry each time.
template <typename List>
void emptyYielding(List& list) {
    while (!list.empty()) {
        list.pop_back();
        fw::yieldPoint();
    }
}

} // namespace backup
