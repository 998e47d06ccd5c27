#include <malloc.h>

#include "platform/memory_trim.h"

namespace platform {

bool TrimProcessMemory() {
  // malloc_trim only says whether anything was returned; the request itself
  // cannot fail.
  malloc_trim(0);
  return true;
}

}  // namespace platform
