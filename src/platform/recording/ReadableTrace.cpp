#include "platform/recording/ReadableTrace.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/common/Numbers.h"
#include "core/common/TextEncoding.h"

namespace typelane {
namespace {

bool IsModifier(std::uint8_t key) {
  return key == 0x10 || key == 0x11 || key == 0x12 || key == 0xA5 || (key >= 0xA0 && key <= 0xA4);
}

// Where a modifier stands in a chord's name: Ctrl, Alt, AltGr, Shift.
int ModifierOrder(std::uint8_t key) {
  switch (key) {
    case 0x11:
    case 0xA2:
    case 0xA3:
      return 0;
    case 0x12:
    case 0xA4:
      return 1;
    case 0xA5:
      return 2;
    default:
      return 3;
  }
}

std::optional<std::int64_t> Number(std::string_view text) {
  if (auto n = TryStrToInt(std::string(text))) return *n;
  return std::nullopt;
}

std::optional<std::uint8_t> HexKey(std::string_view text) {
  unsigned value = 0;
  if (text.size() != 2 || std::sscanf(std::string(text).c_str(), "%2X", &value) != 1) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

// A clipboard text from its trace form (tab, line breaks and the backslash
// escaped) to the characters the paste gives, in UTF-8. Control characters
// are drawn as their pictures (a tab as U+2409), so a step stays one line and
// a tab is never mistaken for a backslash and a "t" in the data.
std::string ShownClipText(std::string_view traced) {
  std::string bytes;
  bytes.reserve(traced.size());
  for (size_t i = 0; i < traced.size(); ++i) {
    if (traced[i] != '\\' || i + 1 == traced.size()) {
      bytes.push_back(traced[i]);
      continue;
    }
    const char next = traced[++i];
    bytes.push_back(next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next);
  }
  std::string shown;
  for (char c : DecodeText(bytes)) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20) {
      AppendUtf8(shown, 0x2400u + code);
    } else {
      shown.push_back(c);
    }
  }
  return shown;
}

}  // namespace

std::string ReadableTrace::KeyName(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
  static constexpr std::pair<std::uint8_t, const char*> kNames[] = {
      {0x03, "Cancel"}, {0x08, "Backspace"}, {0x09, "Tab"},   {0x0D, "Enter"},     {0x10, "Shift"},
      {0x11, "Ctrl"},   {0x12, "Alt"},       {0x13, "Pause"}, {0x14, "Caps Lock"}, {0x1B, "Esc"},
      {0x20, "Space"},  {0x21, "PgUp"},      {0x22, "PgDn"},  {0x23, "End"},       {0x24, "Home"},
      {0x25, "Left"},   {0x26, "Up"},        {0x27, "Right"}, {0x28, "Down"},      {0x2D, "Insert"},
      {0x2E, "Delete"}, {0xA0, "Shift"},     {0xA1, "Shift"}, {0xA2, "Ctrl"},      {0xA3, "Ctrl"},
      {0xA4, "Alt"},    {0xA5, "AltGr"},     {0xBA, ";"},     {0xBB, "="},         {0xBC, ","},
      {0xBD, "-"},      {0xBE, "."},         {0xBF, "/"},     {0xC0, "`"},         {0xDB, "["},
      {0xDC, "\\"},     {0xDD, "]"},         {0xDE, "'"},
  };
  for (const auto& [vk, name] : kNames) {
    if (vk == key) return name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "key %02X", static_cast<unsigned>(key));
  return text;
}

std::string ReadableTrace::Chord(std::uint8_t key) const {
  // The modifiers held, in the order names are written, then the key; a
  // modifier let go on its own is written among them.
  std::vector<std::uint8_t> modifiers;
  for (std::uint8_t k : down_) {
    if (IsModifier(k) && (k != key || IsModifier(key))) modifiers.push_back(k);
  }
  if (IsModifier(key) && std::find(modifiers.begin(), modifiers.end(), key) == modifiers.end()) {
    modifiers.push_back(key);
  }
  std::stable_sort(modifiers.begin(), modifiers.end(), [](std::uint8_t a, std::uint8_t b) {
    return ModifierOrder(a) < ModifierOrder(b);
  });
  std::vector<std::string> names;
  for (std::uint8_t m : modifiers) {
    const std::string name = KeyName(m);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  if (!IsModifier(key)) names.push_back(KeyName(key));
  std::string chord;
  for (const std::string& name : names) chord += (chord.empty() ? "" : "+") + name;
  return chord;
}

void ReadableTrace::Emit(std::string step, std::int64_t ms) {
  if (ms > 0) step += "  (" + std::to_string(ms) + " ms)";
  if (out_) {
    out_->Line(step);
  } else {
    steps_.push_back(std::move(step));
  }
}

void ReadableTrace::FlushWait() {
  if (free_wait_ms_ > 0) Emit("Wait " + std::to_string(free_wait_ms_) + " ms");
  free_wait_ms_ = 0;
}

void ReadableTrace::FlushKeys() {
  if (run_.empty()) return;
  std::string keys = "Keys ";
  for (size_t i = 0; i < run_.size(); ++i) keys += (i ? ", " : "") + run_[i];
  Emit(std::move(keys), run_ms_);
  run_.clear();
  run_ms_ = 0;
}

void ReadableTrace::FlushPending() {
  FlushKeys();
  if (clip_) {
    // Put on the clipboard and never pasted (a stopped load).
    Emit("Clipboard \"" + *clip_ + "\"");
    clip_.reset();
  }
  if (move_) {
    Emit("Move the pointer to " + *move_);
    move_.reset();
  }
  FlushWait();
}

void ReadableTrace::Line(std::string_view line) {
  const size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);

  if (word == "wait") {
    const std::int64_t ms = Number(rest).value_or(0);
    total_ms_ += ms;
    if (!buttons_down_.empty()) {
      button_ms_ += ms;
    } else if (InsideChord()) {
      run_ms_ += ms;
    } else {
      free_wait_ms_ += ms;
    }
    return;
  }
  if (word == "paste") return;  // the wait for the target to take the text

  if (word == "down" || word == "up") {
    const auto key = HexKey(rest);
    if (!key) {
      FlushPending();
      Emit(std::string(line));
      return;
    }
    if (word == "down") {
      if (!InsideChord()) {
        if (move_) {
          FlushKeys();
          FlushWait();
          Emit("Move the pointer to " + *move_);
          move_.reset();
        }
        // A wait before this key ends the run of keys before it.
        if (free_wait_ms_ > 0) {
          FlushKeys();
          FlushWait();
        }
      }
      if (std::find(down_.begin(), down_.end(), *key) == down_.end()) down_.push_back(*key);
      if (IsModifier(*key)) unused_.push_back(*key);
      return;
    }
    std::string chord;
    const auto unused = std::find(unused_.begin(), unused_.end(), *key);
    if (!IsModifier(*key)) {
      chord = Chord(*key);
      unused_.clear();
    } else if (unused != unused_.end()) {
      // A modifier let go with no key pressed since it went down: it counts
      // on its own (Alt alone opens a menu), with whatever else is held.
      chord = Chord(*key);
      unused_.erase(unused);
    }
    down_.erase(std::remove(down_.begin(), down_.end(), *key), down_.end());
    if (chord.empty()) return;
    if (chord == "Ctrl+V" && clip_ && run_.empty()) {
      // The paste of the text just put on the clipboard: a step of its own.
      Emit("Paste \"" + *clip_ + "\"", run_ms_);
      run_ms_ = 0;
      clip_.reset();
      return;
    }
    run_.push_back(std::move(chord));
    return;
  }

  if (word == "button") {
    // "left down" / "left up", where the last move put the pointer.
    const size_t blank = rest.find(' ');
    const std::string side(rest.substr(0, blank));
    const bool up = blank != std::string_view::npos && rest.substr(blank + 1) == "up";
    if (!up) {
      if (buttons_down_.empty()) {
        FlushKeys();
        FlushWait();
        button_where_ = std::move(move_);
        move_.reset();
      }
      buttons_down_.push_back(side);
      return;
    }
    buttons_down_.erase(std::remove(buttons_down_.begin(), buttons_down_.end(), side),
                        buttons_down_.end());
    std::string step = (side == "left" ? "Left" : "Right") + std::string(" click");
    if (button_where_) step += " at " + *button_where_;
    Emit(std::move(step), button_ms_);
    button_ms_ = 0;
    button_where_.reset();
    return;
  }

  FlushPending();
  if (word == "activate") {
    Emit("Activate window \"" + std::string(rest) + "\"");
  } else if (word == "foreground") {
    Emit("Bring back the window that was in front");
  } else if (word == "clip") {
    clip_ = ShownClipText(rest);
  } else if (word == "move") {
    std::string where(rest);
    const size_t blank = where.find(' ');
    if (blank != std::string::npos) where.replace(blank, 1, ", ");
    move_ = std::move(where);
  } else {
    Emit(std::string(line));
  }
}

const std::vector<std::string>& ReadableTrace::Steps() {
  FlushPending();
  return steps_;
}

}  // namespace typelane
