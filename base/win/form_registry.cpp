#include "base/win/form_registry.h"

namespace qorv::win {

FormRegistry& Forms() {
  static FormRegistry registry;
  return registry;
}

}  // namespace qorv::win
