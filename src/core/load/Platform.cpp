#include "core/load/Platform.h"

#include <utility>

#include "core/common/Text.h"

namespace typelane {

std::string ModifierNames(unsigned held) {
  std::string names;
  const std::pair<unsigned, const char*> keys[] = {
      {kCtrlHeld, "Ctrl"}, {kShiftHeld, "Shift"}, {kAltHeld, "Alt"}};
  for (const auto& [bit, name] : keys) {
    if ((held & bit) == 0) continue;
    if (!names.empty()) names += '+';
    names += name;
  }
  return names;
}

std::string SeenTitle(std::string_view raw_title) {
  // The title is read into a 100-byte buffer with room for 99 characters
  // including the terminating zero.
  constexpr size_t kMaxSeen = 98;
  size_t cut = raw_title.size() < kMaxSeen ? raw_title.size() : kMaxSeen;
  // A UTF-8 title (as X11 gives them) is cut before a character, never inside
  // one, so what is seen stays text.
  if (cut < raw_title.size() && IsValidUtf8(raw_title)) {
    while (cut > 0 && (static_cast<unsigned char>(raw_title[cut]) & 0xC0) == 0x80) --cut;
  }
  std::string_view t = raw_title.substr(0, cut);
  return std::string(TrimControl(t));
}

WindowHandle MatchWindowTitle(const std::vector<WindowInfo>& windows, std::string_view title) {
  // Every window is compared, the front-most included: the target may well be
  // the window in front when the load is started from a script.
  for (const auto& w : windows) {
    if (w.own) continue;
    if (SameText(SeenTitle(w.title), title)) return w.handle;
  }
  // Every title begins with the empty text: an empty title may name an untitled
  // window, but must not pick whatever window happens to come first.
  if (title.empty()) return 0;
  for (const auto& w : windows) {
    if (w.own) continue;
    if (StartsWithNoCase(SeenTitle(w.title), title)) return w.handle;
  }
  return 0;
}

WindowHandle Platform::FindWindowByTitle(std::string_view title) {
  return MatchWindowTitle(ListWindows(), title);
}

void Platform::SleepUnlessEscape(std::int64_t ms) {
  // Esc is looked at every 20 ms: well within the moment a user waits for.
  constexpr std::int64_t kStepMs = 20;
  const std::int64_t end = NowMs() + ms;
  while (!StopRequested() && !EscapePressed()) {
    const std::int64_t left = end - NowMs();
    if (left <= 0) return;
    Sleep(left < kStepMs ? left : kStepMs);
  }
}

bool ActivateWindowByTitle(Platform& platform, std::string_view title) {
  WindowHandle w = platform.FindWindowByTitle(title);
  if (w == 0) return false;
  platform.ActivateWindow(w);
  return true;
}

std::vector<std::string> ListWindowTitles(Platform& platform, std::string_view own_caption) {
  std::vector<std::string> titles;
  for (const auto& w : platform.ListWindows()) {
    if (w.own || !w.visible) continue;
    std::string t = SeenTitle(w.title);
    if (t.empty() || t == own_caption || UpperCase(t) == "TYPELANE") continue;
    titles.push_back(std::move(t));
  }
  return titles;
}

}  // namespace typelane
