// Temporary files folio is writing, removed when the run is interrupted (Ctrl-C,
// SIGTERM, a closed terminal) so that no half-written file is left beside the target.
#pragma once

#include <string>

namespace folio::cleanup {

// Catches the interrupting signals: each removes the pending temporary files and then
// ends the process as the signal would have.
void InstallHandlers();

// Creates a file from the mkstemp template `path` (which receives the name) and lists it
// for removal; signals are held meanwhile, so a file is never created unlisted. Returns
// the open descriptor, or -1 with errno set.
int CreateTemporary(std::string& path);

// The file was renamed into place: it is no longer removed.
void Forget(const std::string& path);

// Removes the file and takes it off the list.
void Remove(const std::string& path);

}  // namespace folio::cleanup
