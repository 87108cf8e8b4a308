#include "support/hook.h"

#include <cstdio>

namespace support {

void SayNotBuiltYet(const char* name) {
    std::fprintf(stderr, "%s: not built yet\n", name);
}

} // namespace support
