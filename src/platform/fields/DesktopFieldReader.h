#pragma once

#include <memory>
#include <string>

#include "core/load/FieldReader.h"

namespace typelane {

// The field reader of this desktop, for loads that verify their pastes: AT-SPI
// on Linux, MSAA on Windows; none in a build without either. Made only when a
// load verifies (it connects to the accessibility interface on first use).
std::unique_ptr<FieldReader> MakeDesktopFieldReader();

// Whether the desktop's accessibility interface is switched on. On Linux
// programs show their fields on the accessibility bus only while its
// org.a11y.Status IsEnabled property is true; a desktop with a screen reader
// sets it, a bare session does not.
enum class Accessibility { kOn, kOff, kUnknown };
Accessibility DesktopAccessibility();

// Switches the accessibility interface on for this session, the way the
// desktop's own settings do. Only with the user's consent. False when it
// could not be switched on.
bool SwitchOnAccessibility();

// How a user switches it on by hand, for the command line: a command to run,
// or "" where there is nothing to switch.
std::string HowToSwitchOnAccessibility();

}  // namespace typelane
