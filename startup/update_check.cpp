#include "startup/load_frm.h"

namespace qorv {

// The manifest comparison and the updater hand-off plug in here; until then every start goes on.
void CheckUpdate() {}

}  // namespace qorv
