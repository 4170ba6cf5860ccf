#pragma once
// The one exception type of the module. A check that "raises an error" throws it; every event
// handler runs inside a wrapper that catches it and shows its text (see common/ErrorGuard.h).
#include <stdexcept>
#include <string>

namespace pt {

class ModuleError : public std::runtime_error {
 public:
  explicit ModuleError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pt
