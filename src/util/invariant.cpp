#include "util/invariant.h"

#include <cstdio>
#include <cstdlib>

namespace tavlo {

void invariantBroken(const char* file, int line, int number, const char* condition) {
    std::fprintf(stderr, "%s:%d: invariant %d broken: %s\n", file, line, number, condition);
    std::fflush(stderr);
    std::abort();
}

}  // namespace tavlo
