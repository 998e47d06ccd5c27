#pragma once
// The share-mode lock bytes of shared_file_posix.cpp, for the other file
// operations that must respect them.

namespace platform::posix {

// Whether an open handle, other than `fd`'s own, holds the file without
// delete sharing.
bool OtherDeniesDeletion(int fd);

}  // namespace platform::posix
