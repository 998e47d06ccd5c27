#include <unistd.h>

#include "platform/elevation.h"

namespace platform {

bool ProcessIsElevated() { return geteuid() == 0; }

}  // namespace platform
