#include "platform/memory_release.h"

#include <malloc.h>

void ReturnFreeMemory() { ::malloc_trim(0); }
