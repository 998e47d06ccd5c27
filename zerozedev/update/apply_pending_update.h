#pragma once
// First step of the launcher's start-up after an update: the updater's
// leftovers in temp/ go, and a finished package moves into place as
// "update.zip". When it cannot, an older "update.zip" stays as it was and the
// finished package waits in temp/ for the next start.

#include <filesystem>

namespace zerozedev {

// Works in the folder of the launcher's executable.
void ApplyPendingUpdate();
void ApplyPendingUpdateIn(const std::filesystem::path& launcher_folder);

}  // namespace zerozedev
