#pragma once

namespace typelane::ui {

// Who makes the program, as the about box, the splash and the help show it.
inline constexpr const char* kMakerName = "Veltrax";
inline constexpr const char* kMakerWeb = "https://typelane.org";
inline constexpr const char* kMakerEmail = "support@typelane.org";
inline constexpr const char* kOnlineHelp = "https://typelane.org/help";

}  // namespace typelane::ui
