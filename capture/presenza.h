// Another running copy: every Velmora process of a user holds an exclusive lock on a file named by
// its process id in a per-user folder. The kernel drops the lock when the process dies, however it
// dies, so a held lock is proof of a live copy and an unlocked file is a leftover.
#pragma once

#include <string>

namespace cattura {

// The per-user folder: $XDG_RUNTIME_DIR/velmora, or /tmp/velmora-<uid> without one.
std::string cartellaPresenze();

// Marks this process as running (once per process; harmless to repeat). False when the folder or
// the file cannot be made.
bool segnaPresenza(const std::string& cartella);

// Whether another live process has marked itself in that folder. Removes leftovers on the way.
bool altraPresenza(const std::string& cartella);

}  // namespace cattura
