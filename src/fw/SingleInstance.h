#pragma once

#include <functional>
#include <string>

namespace fw {

// One running copy of the program per user. The first start holds a lock on a file in
// `folder` (the folder whose files only one copy may write; made when missing) for the rest
// of the process, and listens on a local socket in $XDG_RUNTIME_DIR, or in `folder` when
// there is none. Returns true in the first start, which calls `raise` each time a later
// start asks it to. A later start asks the first, through that socket, to bring its window
// to the front, and returns false; it writes nothing in `folder` but the lock file.
bool claimSingleInstance(const std::string& folder, std::function<void()> raise);

} // namespace fw
