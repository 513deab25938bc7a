// ELF shared object: the loader runs start-up when the host maps the library.
#include "startup.h"

namespace {
__attribute__((constructor)) void onLoad() { kolm::startLibrary(); }
}  // namespace
