#include "platform/recording/RecordingPlatform.h"

#include <array>
#include <charconv>
#include <cstring>
#include <utility>

#include "core/common/Errors.h"

namespace typelane {
namespace {

// "down XX" and "up XX" for every virtual key, made once: a dry run writes
// millions of them.
struct KeyLines {
  std::array<std::array<char, 8>, 256> down{}, up{};
  KeyLines() {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (int vk = 0; vk < 256; ++vk) {
      const char hi = kHex[vk >> 4], lo = kHex[vk & 15];
      down[vk] = {'d', 'o', 'w', 'n', ' ', hi, lo, 0};
      up[vk] = {'u', 'p', ' ', hi, lo, 0, 0, 0};
    }
  }
};
const KeyLines kKeyLines;

// The bytes a trace line writes as "\t", "\r", "\n" and "\\".
struct EscapedBytes {
  std::array<bool, 256> bytes{};
  constexpr EscapedBytes() {
    for (unsigned char c : {'\t', '\r', '\n', '\\'}) bytes[c] = true;
  }
};
constexpr EscapedBytes kEscaped;

constexpr std::int16_t kShift = 0x100;
constexpr std::int16_t kCtrl = 0x200;

// Shifted characters of the US layout's main keys, with their base keys.
struct ShiftedKey {
  char c;
  std::int16_t vk;
};
constexpr ShiftedKey kPunctuation[] = {
    {'!', kShift | 0x31}, {'@', kShift | 0x32}, {'#', kShift | 0x33}, {'$', kShift | 0x34},
    {'%', kShift | 0x35}, {'^', kShift | 0x36}, {'&', kShift | 0x37}, {'*', kShift | 0x38},
    {'(', kShift | 0x39}, {')', kShift | 0x30}, {';', 0xBA},          {':', kShift | 0xBA},
    {'=', 0xBB},          {'+', kShift | 0xBB}, {',', 0xBC},          {'<', kShift | 0xBC},
    {'-', 0xBD},          {'_', kShift | 0xBD}, {'.', 0xBE},          {'>', kShift | 0xBE},
    {'/', 0xBF},          {'?', kShift | 0xBF}, {'`', 0xC0},          {'~', kShift | 0xC0},
    {'[', 0xDB},          {'{', kShift | 0xDB}, {'\\', 0xDC},         {'|', kShift | 0xDC},
    {']', 0xDD},          {'}', kShift | 0xDD}, {'\'', 0xDE},         {'"', kShift | 0xDE},
    {' ', 0x20},
};

}  // namespace

RecordingPlatform::RecordingPlatform() = default;

std::int16_t RecordingPlatform::UsVkKeyScan(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return static_cast<std::int16_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<std::int16_t>(kShift | c);
  if (c >= '0' && c <= '9') return static_cast<std::int16_t>(c);
  for (const auto& key : kPunctuation) {
    if (static_cast<unsigned char>(key.c) == c) return key.vk;
  }
  // Control characters. Windows searches the layout's tables first: the keys
  // whose Ctrl column gives a control character are listed before Esc and
  // Enter, so ESC comes back as Ctrl+[ and LF as Ctrl+Enter. What no key
  // gives is reported as Ctrl plus the character + 0x40 (0x01 -> Ctrl+A).
  switch (c) {
    case 0x08:
      return 0x08;  // Backspace
    case 0x09:
      return 0x09;  // Tab
    case 0x0D:
      return 0x0D;  // Enter
    case 0x0A:
      return kCtrl | 0x0D;  // Ctrl+Enter
    case 0x03:
      return 0x03;  // the Cancel key gives it in every shift state
    case 0x1B:
      return kCtrl | 0xDB;  // Ctrl+[
    case 0x1C:
      return kCtrl | 0xDC;  // Ctrl+backslash
    case 0x1D:
      return kCtrl | 0xDD;  // Ctrl+]
    case 0x1E:
      return kShift | kCtrl | 0x36;  // Ctrl+Shift+6
    case 0x1F:
      return kShift | kCtrl | 0xBD;  // Ctrl+Shift+minus
    case 0x00:
      return kShift | kCtrl | 0x32;  // Ctrl+Shift+2
    case 0x7F:
      return kCtrl | 0x08;  // Ctrl+Backspace
    default:
      break;
  }
  if (c < 0x20) return static_cast<std::int16_t>(kCtrl | (c + 0x40));
  // Bytes 0x80 and up: nothing on this layout types them.
  return -1;
}

std::string RecordingPlatform::EscapeForTrace(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

void RecordingPlatform::AppendEscaped(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  // Runs of plain bytes go in whole; most cells have nothing to escape.
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!kEscaped.bytes[static_cast<unsigned char>(c)]) continue;
    out.append(text.data() + plain, i - plain);
    plain = i + 1;
    out.push_back('\\');
    out.push_back(c == '\t' ? 't' : c == '\r' ? 'r' : c == '\n' ? 'n' : '\\');
  }
  out.append(text.data() + plain, text.size() - plain);
}

void RecordingPlatform::UseWindowList(std::vector<WindowInfo> windows) {
  scripted_windows_ = true;
  windows_ = std::move(windows);
}

void RecordingPlatform::SetHourglassSequence(std::vector<bool> busy) {
  hourglass_.assign(busy.begin(), busy.end());
}

void RecordingPlatform::SetHeldModifierSequence(std::vector<unsigned> held) {
  held_modifiers_.assign(held.begin(), held.end());
}

unsigned RecordingPlatform::HeldModifiers() {
  ++modifier_checks_;
  if (held_modifiers_.empty()) return 0;
  const unsigned held = held_modifiers_.front();
  held_modifiers_.pop_front();
  return held;
}

void RecordingPlatform::PressEscAtCheck(int n) { escape_at_ = n; }

void RecordingPlatform::FailClipboardFrom(int n) { clipboard_fail_from_ = n; }

std::vector<WindowInfo> RecordingPlatform::ListWindows() {
  if (scripted_windows_) return windows_;
  std::vector<WindowInfo> windows;
  for (const auto& [title, handle] : handles_) windows.push_back(WindowInfo{handle, title});
  return windows;
}

WindowHandle RecordingPlatform::FindWindowByTitle(std::string_view title) {
  if (scripted_windows_) return Platform::FindWindowByTitle(title);
  auto [it, added] = handles_.try_emplace(std::string(title), next_handle_);
  if (added) ++next_handle_;
  return it->second;
}

std::string RecordingPlatform::TitleOf(WindowHandle window) const {
  if (scripted_windows_) {
    for (const auto& w : windows_) {
      if (w.handle == window) return w.title;
    }
    return {};
  }
  for (const auto& [title, handle] : handles_) {
    if (handle == window) return title;
  }
  return {};
}

bool RecordingPlatform::WindowExists(WindowHandle window) {
  if (auto closing = closing_.find(window);
      closing != closing_.end() && now_ms_ >= closing->second) {
    return false;
  }
  if (scripted_windows_) {
    for (const auto& w : windows_) {
      if (w.handle == window) return true;
    }
    return false;
  }
  for (const auto& [title, handle] : handles_) {
    if (handle == window) return true;
  }
  return false;
}

bool RecordingPlatform::ActivateWindow(WindowHandle window) {
  Record("activate " + TitleOf(window));
  foreground_ = window;
  return true;
}

void RecordingPlatform::SetForegroundWindow(WindowHandle window) {
  Record("foreground");
  foreground_ = window;
}

bool RecordingPlatform::IsHourglassShowing() {
  ++hourglass_checks_;
  if (hourglass_.empty()) return false;
  const bool busy = hourglass_.front();
  hourglass_.pop_front();
  return busy;
}

void RecordingPlatform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  Record(key_up ? std::string_view(kKeyLines.up[virtual_key].data(), 5)
                : std::string_view(kKeyLines.down[virtual_key].data(), 7));
}

void RecordingPlatform::SetCursorPos(int x, int y) {
  cursor_ = ScreenPoint{x, y};
  Record("move " + std::to_string(x) + " " + std::to_string(y));
}

void RecordingPlatform::MouseButtonEvent(MouseButton button, bool up, int /*x*/, int /*y*/) {
  Record(std::string("button ") + (button == MouseButton::kLeft ? "left" : "right") +
         (up ? " up" : " down"));
}

bool RecordingPlatform::EscapePressed() {
  ++escape_checks_;
  return (escape_at_ > 0 && escape_checks_ >= escape_at_) ||
         (escape_at_ms_ >= 0 && now_ms_ >= escape_at_ms_);
}

void RecordingPlatform::SetClipboardText(std::string_view text) {
  ++clipboard_calls_;
  if (clipboard_fail_from_ > 0 && clipboard_calls_ >= clipboard_fail_from_) {
    throw PlatformError("Cannot open clipboard");
  }
  // Resized and filled: assign() would first look for an overlap.
  clipboard_.resize(text.size());
  if (!text.empty()) std::memcpy(clipboard_.data(), text.data(), text.size());
  line_.resize(5);  // "clip "
  AppendEscaped(line_, text);
  Record(line_);
}

bool RecordingPlatform::WaitForPaste(std::int64_t wait_ms) {
  bool taken = true;
  if (!paste_.empty()) {
    taken = paste_.front();
    paste_.pop_front();
  }
  if (trace_paste_waits_) Record(taken ? "paste" : "paste not taken");
  if (!taken && wait_ms > 0) now_ms_ += wait_ms;
  return taken;
}

bool RecordingPlatform::FocusIsWith(WindowHandle /*target*/) {
  if (focus_.empty()) return true;
  const bool with = focus_.front();
  focus_.pop_front();
  return with;
}

void RecordingPlatform::SleepUnlessEscape(std::int64_t ms) {
  if (escape_at_ms_ >= 0 && ms > 0 && now_ms_ + ms > escape_at_ms_) {
    ms = escape_at_ms_ > now_ms_ ? escape_at_ms_ - now_ms_ : 0;
  }
  Sleep(ms);
}

void RecordingPlatform::Sleep(std::int64_t ms) {
  // A load waits the same few times over and over: their lines are kept.
  WaitLine* found = nullptr;
  for (WaitLine& line : wait_lines_) {
    if (line.size != 0 && line.ms == ms) {
      found = &line;
      break;
    }
  }
  if (found == nullptr) {
    found = &wait_lines_[next_wait_line_];
    next_wait_line_ = (next_wait_line_ + 1) % wait_lines_.size();
    WaitLine& kept = *found;
    std::memcpy(kept.text.data(), "wait ", 5);
    const auto end =
        std::to_chars(kept.text.data() + 5, kept.text.data() + kept.text.size(), ms).ptr;
    kept.size = static_cast<std::size_t>(end - kept.text.data());
    kept.ms = ms;
  }
  Record(std::string_view(found->text.data(), found->size));
  if (ms > 0) now_ms_ += ms;
}

}  // namespace typelane
