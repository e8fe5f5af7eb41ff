#pragma once
// Hands the process's memory pages back to the platform (after start-up and around the tray).

namespace vt {

#ifdef _WIN32
// Asks the platform to remove as many pages as possible from this process's working set. A refusal is
// ignored: the program only runs with a larger resident size.
void TrimWorkingSet();
#endif

}  // namespace vt
