#include "engine/thread_check.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::engine::threads {

bool Checked() {
#ifdef QUILLET_CHECK_THREADS
    return true;
#else
    return false;
#endif
}

bool OnUiThread() {
    return g_csConnect.OnMakerThread();
}

void Broken(const char* contract, const char* file, int line) {
    std::fprintf(stderr, "thread contract broken: not %s, at %s:%d\n", contract, file, line);
    std::abort();
}

}  // namespace quillet::engine::threads
