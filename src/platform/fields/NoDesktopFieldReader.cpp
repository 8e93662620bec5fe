// A build without an accessibility client: loads that ask to verify their
// pastes are loaded without, and say so.

#include "platform/fields/DesktopFieldReader.h"

namespace typelane {

std::unique_ptr<FieldReader> MakeDesktopFieldReader() { return nullptr; }
Accessibility DesktopAccessibility() { return Accessibility::kUnknown; }
bool SwitchOnAccessibility() { return false; }
std::string HowToSwitchOnAccessibility() { return {}; }

}  // namespace typelane
