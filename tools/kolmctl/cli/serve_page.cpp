#include "serve_page.h"

#include "kolmctl_lab_page.h"

namespace kolmctl {

// tools/kolmctl/page/ with its chart library, made into one document at build time
// (cmake/kolm_page.cmake).
std::string_view servePage() { return {kLabPage, kLabPageSize}; }

}  // namespace kolmctl
