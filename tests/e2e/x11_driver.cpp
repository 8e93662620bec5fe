// Drives the X11 backend step by step from the command line, so the end-to-end
// scripts can check each of its operations against real programs:
//   x11_driver STEP [ARGS] STEP [ARGS] ...
//   x11_driver watch-clipboard MS   (fetches every new clipboard text, alone)
//   x11_driver clipboard-manager MS OUT   (saves a clipboard handed over, alone)
//   x11_driver two-connection-pad TITLE MS   (a window that pastes as Wine does)
// Steps "held" and "wait-held MS" report the keys and buttons down on the
// server (XQueryKeymap, XQueryPointer). "activate TITLE" also makes that window
// the one "exists", "busy MS" and "focus-with" ask about.
// Exit codes: 0 every step worked, 4 a window was not found, 5 a check failed,
// 2 bad usage, 1 no display.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/common/FileText.h"
#include "platform/x11/X11Platform.h"

namespace {

using typelane::X11Platform;

X11Platform* g_platform = nullptr;

// A crash handler as a program's would be: let go of what is held, then die
// of the signal.
void ReleaseAndDie(int sig) {
  g_platform->ReleaseHeldInputFromSignal();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// A window property read whole and deleted (a selection handed over).
std::string TakeProperty(Display* d, Window w, Atom property) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, w, property, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count,
                     &after, &data);
  std::string text(reinterpret_cast<char*>(data), data ? count : 0);
  if (data) XFree(data);
  return text;
}

// The text of a selection converted into property on w, read whole also when
// it comes in pieces (INCR): each piece is read and deleted, which asks the
// owner for the next, until an empty one ends it. w must select
// PropertyChangeMask before the conversion.
std::string TakeSelection(Display* d, Window w, Atom property) {
  Atom incr = XInternAtom(d, "INCR", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, w, property, 0, 0, False, AnyPropertyType, &type, &format, &count, &after,
                     &data);
  if (data) XFree(data);
  if (type != incr) return TakeProperty(d, w, property);
  XDeleteProperty(d, w, property);
  XFlush(d);
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type != PropertyNotify || event.xproperty.atom != property ||
        event.xproperty.state != PropertyNewValue) {
      continue;
    }
    const std::string piece = TakeProperty(d, w, property);
    XFlush(d);
    if (piece.empty()) break;
    text += piece;
  }
  return text;
}

std::string Hex(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", value & 0xFFFF);
  return buf;
}

// Types plain characters the way the load does: the layout's key, with Shift
// when the layout needs it alone.
void TypeText(X11Platform& p, const std::string& text, int hold_ms) {
  for (char c : text) {
    std::int16_t scan = p.VkKeyScan(c);
    std::uint8_t vk = scan == -1 ? 0xFF : static_cast<std::uint8_t>(scan & 0xFF);
    bool shift = scan != -1 && ((scan >> 8) & 0xFF) == 1;
    if (shift) p.KeyEvent(0x10, false);
    p.KeyEvent(vk, false);
    p.Sleep(hold_ms);
    p.KeyEvent(vk, true);
    if (shift) p.KeyEvent(0x10, true);
  }
}

void Press(X11Platform& p, std::uint8_t vk) {
  p.KeyEvent(vk, false);
  p.KeyEvent(vk, true);
}

// False when the target did not take the text within 5 s.
bool Paste(X11Platform& p, const std::string& text) {
  p.SetClipboardText(text);
  p.KeyEvent(0x11, false);
  Press(p, 'V');
  p.KeyEvent(0x11, true);
  // As the load asks: again and again, a little at a time.
  for (int slice = 0; slice < 100; ++slice) {
    if (p.WaitForPaste(50)) return true;
  }
  return false;
}

bool WaitFor(X11Platform& p, int timeout_ms, const auto& done) {
  std::int64_t end = p.NowMs() + timeout_ms;
  while (!done()) {
    if (p.NowMs() > end) return false;
    p.Sleep(20);
  }
  return true;
}

// What is down on the server right now: keycodes from XQueryKeymap and the
// pointer's buttons, as "keys 37 50 buttons 1"; empty when nothing is.
std::string HeldInput(Display* d) {
  std::string out;
  char keys[32] = {};
  XQueryKeymap(d, keys);
  for (int code = 0; code < 256; ++code) {
    if (keys[code / 8] & (1 << (code % 8)))
      out += (out.empty() ? "keys " : " ") + std::to_string(code);
  }
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
  std::string buttons;
  for (int b = 1; b <= 5; ++b) {
    if (mask & (Button1Mask << (b - 1))) buttons += " " + std::to_string(b);
  }
  if (!buttons.empty()) out += (out.empty() ? "buttons" : " buttons") + buttons;
  return out;
}

// Acts like a clipboard manager: fetches every new clipboard text as soon as its
// owner changes, for ms milliseconds. Prints how many texts it fetched.
int WatchClipboard(int ms) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  int event_base = 0, error_base = 0;
  if (!XFixesQueryExtension(d, &event_base, &error_base)) return 1;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom property = XInternAtom(d, "WATCHER_TEXT", False);
  XFixesSelectSelectionInput(d, w, clipboard, XFixesSetSelectionOwnerNotifyMask);
  XFlush(d);
  std::cout << "watching" << std::endl;
  int fetched = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      if (event.type == event_base + XFixesSelectionNotify) {
        XConvertSelection(d, clipboard, utf8, property, w, CurrentTime);
        XFlush(d);
      } else if (event.type == SelectionNotify) {
        XDeleteProperty(d, w, property);
        ++fetched;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::cout << fetched << std::endl;
  XCloseDisplay(d);
  return 0;
}

// A clipboard manager for one save: owns CLIPBOARD_MANAGER and, when a program
// about to exit asks it to save its clipboard (SAVE_TARGETS), fetches the text,
// writes it to out_path, answers, and ends. Waits at most ms milliseconds.
int ManageClipboard(int ms, const std::string& out_path) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(d, w, PropertyChangeMask);
  Atom manager = XInternAtom(d, "CLIPBOARD_MANAGER", False);
  Atom save_targets = XInternAtom(d, "SAVE_TARGETS", False);
  Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom property = XInternAtom(d, "MANAGER_TEXT", False);
  XSetSelectionOwner(d, manager, w, CurrentTime);
  if (XGetSelectionOwner(d, manager) != w) return 1;
  std::cout << "managing" << std::endl;
  XSelectionRequestEvent pending{};
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      if (event.type == SelectionRequest && event.xselectionrequest.target == save_targets) {
        pending = event.xselectionrequest;
        XConvertSelection(d, clipboard, utf8, property, w, CurrentTime);
        XFlush(d);
      } else if (event.type == SelectionNotify && event.xselection.selection == clipboard) {
        typelane::WriteFileAtomic(out_path, TakeSelection(d, w, property));
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = pending.requestor;
        reply.selection = pending.selection;
        reply.target = pending.target;
        reply.property = pending.property;
        reply.time = pending.time;
        XSendEvent(d, pending.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XSync(d, False);
        XCloseDisplay(d);
        return 0;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  XCloseDisplay(d);
  return 5;
}

// A window whose program fetches the clipboard over a second connection of
// its own when Ctrl+V is pressed in it, as Wine does, for ms milliseconds.
// Prints "ready", then each text it got, a line each.
int TwoConnectionPad(const std::string& title, int ms) {
  Display* keys = XOpenDisplay(nullptr);
  Display* fetcher = XOpenDisplay(nullptr);
  if (!keys || !fetcher) return 1;
  Window w = XCreateSimpleWindow(keys, DefaultRootWindow(keys), 0, 600, 300, 100, 0, 0,
                                 WhitePixel(keys, DefaultScreen(keys)));
  XStoreName(keys, w, title.c_str());
  XSelectInput(keys, w, KeyPressMask);
  XMapWindow(keys, w);
  XFlush(keys);
  Window into = XCreateSimpleWindow(fetcher, DefaultRootWindow(fetcher), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(fetcher, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(fetcher, "UTF8_STRING", False);
  Atom property = XInternAtom(fetcher, "PAD_TEXT", False);
  XSync(fetcher, False);
  std::cout << "ready" << std::endl;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(keys) > 0) {
      XEvent event;
      XNextEvent(keys, &event);
      if (event.type == KeyPress && (event.xkey.state & ControlMask) &&
          XLookupKeysym(&event.xkey, 0) == XK_v) {
        XConvertSelection(fetcher, clipboard, utf8, property, into, CurrentTime);
        XFlush(fetcher);
      }
    }
    while (XPending(fetcher) > 0) {
      XEvent event;
      XNextEvent(fetcher, &event);
      if (event.type != SelectionNotify || event.xselection.property == None) continue;
      std::cout << TakeProperty(fetcher, into, property) << std::endl;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 0;
}

int Usage(const std::string& what) {
  std::cerr << "x11_driver: " << what << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "watch-clipboard") return WatchClipboard(std::stoi(args[1]));
  if (args.size() == 3 && args[0] == "two-connection-pad") {
    return TwoConnectionPad(args[1], std::stoi(args[2]));
  }
  if (args.size() == 3 && args[0] == "clipboard-manager") {
    return ManageClipboard(std::stoi(args[1]), args[2]);
  }
  std::string error;
  auto platform = X11Platform::Open(&error);
  if (!platform) {
    std::cerr << error << "\n";
    return 1;
  }
  X11Platform& p = *platform;
  g_platform = &p;
  // "stop-after MS": a stop request from another thread, as a quitting GUI
  // makes; joined before the platform goes.
  std::jthread stopper;
  typelane::WindowHandle window = 0;  // the one activated last
  int hold_ms = 0;
  size_t i = 0;
  auto next = [&](std::string* out) {
    if (i >= args.size()) return false;
    *out = args[i++];
    return true;
  };
  auto next_int = [&](int* out) {
    std::string s;
    if (!next(&s)) return false;
    *out = static_cast<int>(std::strtol(s.c_str(), nullptr, 0));
    return true;
  };
  while (i < args.size()) {
    std::string step = args[i++];
    std::string a;
    int x = 0, y = 0;
    if (step == "hold") {
      if (!next_int(&hold_ms)) return Usage("hold MS");
    } else if (step == "wait-window") {
      if (!next(&a) || !next_int(&x)) return Usage("wait-window TITLE MS");
      if (!WaitFor(p, x, [&] { return p.FindWindowByTitle(a) != 0; })) return 4;
    } else if (step == "activate") {
      if (!next(&a)) return Usage("activate TITLE");
      typelane::WindowHandle w = p.FindWindowByTitle(a);
      if (w == 0) return 4;
      window = w;
      if (!p.ActivateWindow(w)) {
        std::cerr << "x11_driver: " << a << " did not get the focus\n";
        return 5;
      }
    } else if (step == "type") {
      if (!next(&a)) return Usage("type TEXT");
      TypeText(p, a, hold_ms);
    } else if (step == "type-file") {
      if (!next(&a)) return Usage("type-file PATH");
      TypeText(p, typelane::ReadFileBytes(a), hold_ms);
    } else if (step == "key") {
      if (!next_int(&x)) return Usage("key VK");
      Press(p, static_cast<std::uint8_t>(x));
    } else if (step == "key-down" || step == "key-up") {
      if (!next_int(&x)) return Usage(step + " VK");
      p.KeyEvent(static_cast<std::uint8_t>(x), step == "key-up");
    } else if (step == "modifiers") {
      // The held modifiers as the load sees them: Ctrl, Shift, Alt or "none".
      const std::string names = typelane::ModifierNames(p.HeldModifiers());
      std::cout << (names.empty() ? "none" : names) << "\n";
    } else if (step == "paste") {
      if (!next(&a)) return Usage("paste TEXT");
      if (!Paste(p, a)) return 5;
    } else if (step == "paste-file") {
      if (!next(&a)) return Usage("paste-file PATH");
      if (!Paste(p, typelane::ReadFileBytes(a))) return 5;
    } else if (step == "find") {
      // The window the checks ask about, without activating it.
      if (!next(&a)) return Usage("find TITLE");
      window = p.FindWindowByTitle(a);
      if (window == 0) return 4;
    } else if (step == "handle") {
      std::cout << window << "\n";
    } else if (step == "exists") {
      std::cout << (p.WindowExists(window) ? 1 : 0) << "\n";
    } else if (step == "busy") {
      if (!next_int(&x)) return Usage("busy MS");
      std::cout << (p.IsTargetBusy(window, x) ? 1 : 0) << "\n";
    } else if (step == "focus-with") {
      std::cout << (p.FocusIsWith(window) ? 1 : 0) << "\n";
    } else if (step == "stop-after") {
      if (!next_int(&x)) return Usage("stop-after MS");
      stopper = std::jthread([&p, x] {
        std::this_thread::sleep_for(std::chrono::milliseconds(x));
        p.RequestStop();
      });
    } else if (step == "touch") {
      if (!next(&a)) return Usage("touch PATH");
      std::ofstream{a};
    } else if (step == "wait-file") {
      // Lets a script act between two steps of one driver.
      if (!next(&a) || !next_int(&x)) return Usage("wait-file PATH MS");
      if (!WaitFor(p, x, [&] { return std::filesystem::exists(a); })) return 5;
    } else if (step == "button-down") {
      if (!next_int(&x) || !next_int(&y)) return Usage("button-down X Y");
      p.SetCursorPos(x, y);
      p.MouseButtonEvent(typelane::MouseButton::kLeft, false, x, y);
    } else if (step == "crash") {
      // crash SEGV|ABRT release|keep: dies of the signal, with or without a
      // handler that lets go of what the platform holds.
      std::string how;
      if (!next(&a) || !next(&how)) return Usage("crash SEGV|ABRT release|keep");
      const int sig = a == "ABRT" ? SIGABRT : SIGSEGV;
      if (how == "release") std::signal(sig, ReleaseAndDie);
      std::cout.flush();
      if (sig == SIGABRT) std::abort();
      std::raise(sig);
    } else if (step == "sleep") {
      if (!next_int(&x)) return Usage("sleep MS");
      p.Sleep(x);
    } else if (step == "list") {
      for (const auto& w : p.ListWindows()) {
        std::cout << w.handle << "\t" << (w.visible ? "visible" : "hidden") << "\t"
                  << (w.own ? "own" : "other") << "\t" << w.title << "\n";
      }
    } else if (step == "titles") {
      for (const auto& t : typelane::ListWindowTitles(p, "")) std::cout << t << "\n";
    } else if (step == "foreground") {
      typelane::WindowHandle fg = p.GetForegroundWindow();
      std::string title;
      for (const auto& w : p.ListWindows()) {
        if (w.handle == fg) title = w.title;
      }
      std::cout << title << "\n";
    } else if (step == "vkscan") {
      if (!next(&a)) return Usage("vkscan TEXT");
      for (size_t k = 0; k < a.size(); ++k) {
        std::int16_t scan = p.VkKeyScan(a[k]);
        std::cout << (k ? " " : "") << (scan == -1 ? std::string("-1") : Hex(scan));
      }
      std::cout << "\n";
    } else if (step == "keycode") {
      if (!next_int(&x)) return Usage("keycode VK");
      std::cout << p.KeycodeForVirtualKey(static_cast<std::uint8_t>(x)) << "\n";
    } else if (step == "hourglass") {
      std::cout << (p.IsHourglassShowing() ? 1 : 0) << "\n";
    } else if (step == "wait-hourglass") {
      if (!next_int(&x) || !next_int(&y)) return Usage("wait-hourglass 0|1 MS");
      if (!WaitFor(p, y, [&] { return p.IsHourglassShowing() == (x != 0); })) return 5;
    } else if (step == "move") {
      if (!next_int(&x) || !next_int(&y)) return Usage("move X Y");
      p.SetCursorPos(x, y);
    } else if (step == "click" || step == "rclick") {
      if (!next_int(&x) || !next_int(&y)) return Usage("click X Y");
      auto button = step == "click" ? typelane::MouseButton::kLeft : typelane::MouseButton::kRight;
      p.SetCursorPos(x, y);
      p.MouseButtonEvent(button, false, x, y);
      p.Sleep(hold_ms);
      p.MouseButtonEvent(button, true, x, y);
    } else if (step == "cursor") {
      auto pos = p.GetCursorPos();
      if (!pos) return 5;
      std::cout << pos->x << " " << pos->y << "\n";
    } else if (step == "esc-begin") {
      p.BeginEscapeWatch();
    } else if (step == "esc-check") {
      std::cout << (p.EscapePressed() ? 1 : 0) << "\n";
    } else if (step == "esc-wait") {
      if (!next_int(&x)) return Usage("esc-wait MS");
      std::cout << (WaitFor(p, x, [&] { return p.EscapePressed(); }) ? 1 : 0) << "\n";
    } else if (step == "esc-can") {
      std::cout << (p.CanWatchEscape() ? 1 : 0) << "\n";
    } else if (step == "held") {
      // Prints what is held down; exit 5 when anything is.
      Display* d = XOpenDisplay(nullptr);
      if (!d) return 1;
      const std::string held = HeldInput(d);
      XCloseDisplay(d);
      std::cout << (held.empty() ? "nothing held" : held) << "\n";
      if (!held.empty()) return 5;
    } else if (step == "wait-held") {
      if (!next_int(&x)) return Usage("wait-held MS");
      Display* d = XOpenDisplay(nullptr);
      if (!d) return 1;
      std::string held;
      WaitFor(p, x, [&] { return !(held = HeldInput(d)).empty(); });
      XCloseDisplay(d);
      std::cout << (held.empty() ? "nothing held" : held) << "\n";
      if (held.empty()) return 5;
    } else if (step == "wm") {
      std::cout << (p.HasWindowManager() ? 1 : 0) << "\n";
    } else if (step == "echo") {
      if (!next(&a)) return Usage("echo TEXT");
      std::cout << a << std::endl;
    } else {
      return Usage("unknown step " + step);
    }
    std::cout.flush();
  }
  return 0;
}
