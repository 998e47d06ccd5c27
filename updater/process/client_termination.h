#pragma once
// Stopping the classroom client before its files are replaced. The client is
// two programs, "veska.exe" and "virazerur.exe"; the update waits for the
// first of them to be gone.

inline constexpr char kClientProgram[] = "veska.exe";
inline constexpr char kClientHelperProgram[] = "virazerur.exe";

namespace qel {

// Terminates the first running process of each client program. True only
// when one of the second program was found and terminated; the first
// program's outcome is only logged.
bool KillWfeProcess();

}  // namespace qel

// Terminates the client (qel::KillWfeProcess). When that reports success,
// waits for "veska.exe" to be gone, checking every 100 ms for up to 3000 ms.
// True when "veska.exe" is not running on return.
bool KillClientAndWait();
