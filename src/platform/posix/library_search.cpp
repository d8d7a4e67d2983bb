#include "platform/library_search.h"

namespace qiv::platform {

// The Linux build links its libraries at build time; the loader's search is the
// system's own and nothing here chooses it.
void RestrictLibrarySearchToSystemFolder() {}

}  // namespace qiv::platform
