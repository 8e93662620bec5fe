#include "platform/x11/X11Platform.h"

#include <X11/X.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/xtestproto.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/common/Errors.h"
#include "core/common/TextEncoding.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/X11Util.h"

namespace typelane {

namespace {

constexpr int kActivateTimeoutMs = 2000;
// An Esc this program sent shows up among the raw key events within this
// long; one not seen by then never will be.
constexpr auto kOwnEscapeMs = std::chrono::milliseconds(500);
// The crash release keeps reading the keyboard back this long after it found
// nothing of ours down: the server may still run presses that were on their
// way over the main connection (it serves its clients in turns of its own).
constexpr std::int64_t kSignalSettleMs = 100;

// One window property, read whole.
struct Property {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  std::vector<unsigned char> bytes;  // format 8
  std::vector<long> longs;           // format 32 (Xlib hands these out as longs)
};

bool ReadProperty(Display* d, Window w, Atom name, Property* out) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  x11::ErrorTrap trap(d);
  int status = XGetWindowProperty(d, w, name, 0, 1 << 24, False, AnyPropertyType, &type, &format,
                                  &count, &after, &data);
  bool failed = trap.Failed();
  if (status != Success || failed || type == None) {
    if (data) XFree(data);
    return false;
  }
  out->type = type;
  out->format = format;
  out->count = count;
  if (format == 8) {
    out->bytes.assign(data, data + count);
  } else if (format == 32) {
    const long* l = reinterpret_cast<const long*>(data);
    out->longs.assign(l, l + count);
  }
  XFree(data);
  return true;
}

// The cursor names toolkits give their busy cursors.
bool IsBusyCursorName(const std::string& name) {
  return name == "wait" || name == "watch" || name == "progress" || name == "left_ptr_watch";
}

struct CursorFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

}  // namespace

struct X11Platform::Impl {
  Display* display = nullptr;
  Window root = 0;
  int screen = 0;

  Atom net_client_list_stacking = 0, net_active_window = 0, net_wm_name = 0, utf8_string = 0,
       wm_state = 0, net_wm_pid = 0, net_supporting_wm_check = 0;

  // Keyboard mapping as the core protocol reports it.
  int min_keycode = 0, max_keycode = 0, syms_per_code = 0;
  std::vector<KeySym> keymap;
  unsigned long right_alt_keysym = XK_Alt_R;
  // Virtual keys handed out by VkKeyScan for keys a US keyboard does not have.
  std::map<std::uint8_t, KeyCode> extra_keys;

  bool has_xfixes = false;
  std::map<int, std::vector<CursorFrame>> wait_frames;  // by cursor size
  std::map<unsigned long, bool> busy_by_serial;

  Display* esc_display = nullptr;
  int xi_opcode = 0;
  std::set<int> xtest_devices;
  // Keyboards a person types on: every slave keyboard but the XTEST one.
  std::set<int> real_keyboards;
  std::set<int> escape_keycodes;
  // Keycodes of Ctrl, Shift and Alt, with the ModifierBits each stands for.
  std::map<int, unsigned> modifier_keycodes;
  // Those keys down on the keyboards a person types on, as (device, keycode):
  // read from the devices once, then kept from the raw key events, so the
  // check before every cell asks the server nothing.
  std::set<std::pair<int, int>> modifiers_down;
  bool modifiers_known = false;
  bool escape_seen = false;
  // The Esc presses KeyEvent sent whose raw event has not come back yet, in
  // the order they went out.
  struct SentEscape {
    int keycode;
    std::chrono::steady_clock::time_point sent;
  };
  std::deque<SentEscape> sent_escapes;

  std::unique_ptr<X11Clipboard> clipboard;
  std::chrono::steady_clock::time_point last_key_down;
  // The client that had the focus when the paste key went down (read once per
  // paste, however often the caller asks whether the paste was taken).
  std::chrono::steady_clock::time_point paste_client_since;
  unsigned long paste_client = 0;
  // The bits of a resource id below its client's id base.
  unsigned long client_mask = 0;

  // What the load knows of the windows it works with, from a connection that
  // selects StructureNotify and PropertyChange on each of them, and
  // SubstructureNotify on the root, where a pinged program sends its answer.
  // Events tell of a window's end, so a later window that the server gives
  // the same id is never taken for it.
  Display* watch_display = nullptr;
  Atom wm_protocols = 0, net_wm_ping = 0;
  struct Watched {
    unsigned long since_serial = 0;  // events from before the watch began are not its
    bool dead = false;               // destroyed, or withdrawn after it was seen
    bool stale = true;               // present must be read again
    bool present = false;
    bool was_present = false;
    Window top_level = 0;          // child of the root holding it; 0 to be found
    int can_ping = -1;             // lists _NET_WM_PING; -1 not read yet
    unsigned long ping_stamp = 0;  // the ping not answered yet; 0 none
    long pid = 0;                  // _NET_WM_PID; 0 not read yet, -1 none
  };
  std::map<Window, Watched> watched;
  unsigned long last_ping_stamp = 0;
  // FocusIsWith's last yes: the focused window and its top-level, which the
  // watch connection gets focus events of. It holds until an event says the
  // focus moved (or the top-level went), so the check before every cell
  // needs no question of its own.
  struct FocusSeen {
    bool valid = false;
    Window target = 0;
    Window focus = 0;
    Window top_level = 0;
  };
  FocusSeen focus_seen;
  // The load's thread asks about its target while a GUI may look windows up
  // by title.
  std::mutex watch_mutex;

  // For ReleaseHeldInputFromSignal: a connection nothing else uses, the XTEST
  // opcode, and what KeyEvent and MouseButtonEvent hold down now.
  Display* signal_display = nullptr;
  int signal_fd = -1;
  int xtest_opcode = 0;
  std::array<std::atomic<bool>, 256> keys_down{};
  std::array<std::atomic<bool>, 8> buttons_down{};
  std::atomic_flag releasing = ATOMIC_FLAG_INIT;
  std::atomic<bool> signal_written{false};

  ~Impl() {
    clipboard.reset();
    if (signal_display) {
      // Xlib no longer knows where that connection stands once requests went
      // out behind its back: it must not read from it again.
      if (signal_written.load()) {
        x11::ForgetDisplay(signal_display);
      } else {
        x11::CloseDisplay(signal_display);
      }
    }
    if (watch_display) x11::CloseDisplay(watch_display);
    if (esc_display) x11::CloseDisplay(esc_display);
    if (display) x11::CloseDisplay(display);
  }

  void LoadKeymap() {
    XDisplayKeycodes(display, &min_keycode, &max_keycode);
    int count = max_keycode - min_keycode + 1;
    KeySym* syms =
        XGetKeyboardMapping(display, static_cast<KeyCode>(min_keycode), count, &syms_per_code);
    keymap.assign(syms, syms + count * syms_per_code);
    XFree(syms);
    right_alt_keysym = LowestKeycode(XK_ISO_Level3_Shift) ? XK_ISO_Level3_Shift : XK_Alt_R;
    extra_keys.clear();
    escape_keycodes.clear();
    modifier_keycodes.clear();
    modifiers_known = false;
    for (int kc = min_keycode; kc <= max_keycode; ++kc) {
      const KeySym sym = SymAt(kc, 0);
      if (sym == XK_Escape) escape_keycodes.insert(kc);
      if (sym == XK_Control_L || sym == XK_Control_R) modifier_keycodes[kc] = kCtrlHeld;
      if (sym == XK_Shift_L || sym == XK_Shift_R) modifier_keycodes[kc] = kShiftHeld;
      if (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R) {
        modifier_keycodes[kc] = kAltHeld;
      }
    }
  }

  KeySym SymAt(int keycode, int column) const {
    if (column >= syms_per_code) return NoSymbol;
    return keymap[(keycode - min_keycode) * syms_per_code + column];
  }

  // The lowest keycode giving the keysym at level 0 or 1 of the first group.
  // Xvfb puts some keysyms on a second keycode that some clients misread, so
  // the server's own choice (XKeysymToKeycode) is not used.
  KeyCode LowestKeycode(KeySym keysym, int* level = nullptr) const {
    if (keysym == NoSymbol) return 0;
    for (int kc = min_keycode; kc <= max_keycode; ++kc) {
      for (int col = 0; col < 2; ++col) {
        if (SymAt(kc, col) == keysym) {
          if (level) *level = col;
          return static_cast<KeyCode>(kc);
        }
      }
    }
    return 0;
  }

  KeyCode KeycodeForVk(std::uint8_t vk) const {
    auto extra = extra_keys.find(vk);
    if (extra != extra_keys.end()) return extra->second;
    return LowestKeycode(KeysymForVirtualKey(vk, right_alt_keysym));
  }

  // The virtual key that KeyEvent sends as this keycode.
  std::uint8_t VkForKeycode(KeyCode kc) {
    std::uint8_t vk = VirtualKeyForKeysym(SymAt(kc, 0));
    if (vk != 0 && KeycodeForVk(vk) == kc) return vk;
    for (const auto& [code, keycode] : extra_keys) {
      if (keycode == kc) return code;
    }
    // Codes Windows leaves to OEMs; none of them is a key we name otherwise.
    static constexpr std::uint8_t kSpare[] = {0x92, 0x93, 0x94, 0x95, 0x96, 0xDF, 0xE1, 0xE3,
                                              0xE4, 0xE6, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
                                              0xEF, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5};
    for (std::uint8_t code : kSpare) {
      if (!extra_keys.count(code)) {
        extra_keys[code] = kc;
        return code;
      }
    }
    return 0;
  }

  bool HasWindowManager() {
    Property check;
    if (!ReadProperty(display, root, net_supporting_wm_check, &check) || check.longs.empty()) {
      return false;
    }
    Window wm = static_cast<Window>(check.longs[0]);
    Property self;
    // A window manager that died leaves the root property behind, but not its
    // window.
    return ReadProperty(display, wm, net_supporting_wm_check, &self) && !self.longs.empty() &&
           static_cast<Window>(self.longs[0]) == wm;
  }

  std::string Title(Window w) {
    Property p;
    if (ReadProperty(display, w, net_wm_name, &p) && p.format == 8) {
      return std::string(p.bytes.begin(), p.bytes.end());
    }
    XTextProperty text{};
    x11::ErrorTrap trap(display);
    Status ok = XGetWMName(display, w, &text);
    if (trap.Failed() || !ok || !text.value) return {};
    std::string title;
    if (text.encoding == XA_STRING) {
      title = Latin1ToUtf8(std::string(reinterpret_cast<const char*>(text.value), text.nitems));
    } else {
      char** list = nullptr;
      int n = 0;
      if (Xutf8TextPropertyToTextList(display, &text, &list, &n) >= Success && n > 0 && list) {
        title = list[0];
      } else {
        title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
      }
      if (list) XFreeStringList(list);
    }
    XFree(text.value);
    return title;
  }

  // WM_STATE of a client: 1 normal, 3 iconic, 0 withdrawn; -1 when it has none.
  int WmState(Window w) {
    Property p;
    if (!ReadProperty(display, w, wm_state, &p) || p.longs.empty()) return -1;
    return static_cast<int>(p.longs[0]);
  }

  bool OnScreen(Window w) {
    XWindowAttributes attrs;
    x11::ErrorTrap trap(display);
    Status ok = XGetWindowAttributes(display, w, &attrs);
    if (trap.Failed() || !ok) return false;
    return attrs.map_state == IsViewable;
  }

  bool Exists(Window w) {
    XWindowAttributes attrs;
    x11::ErrorTrap trap(display);
    Status ok = XGetWindowAttributes(display, w, &attrs);
    return !trap.Failed() && ok;
  }

  std::vector<Window> Children(Window w, Window* parent = nullptr) {
    Window root_return = 0, parent_return = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    x11::ErrorTrap trap(display);
    Status ok = XQueryTree(display, w, &root_return, &parent_return, &children, &n);
    std::vector<Window> out;
    if (!trap.Failed() && ok) {
      out.assign(children, children + n);
      if (parent) *parent = parent_return;
    } else if (parent) {
      *parent = 0;
    }
    if (children) XFree(children);
    return out;
  }

  // The client window inside a top-level: the first descendant (depth first)
  // carrying WM_STATE; 0 when none does.
  Window FindClient(Window w, int depth = 0) {
    if (WmState(w) >= 0) return w;
    if (depth > 4) return 0;
    for (Window child : Children(w)) {
      if (Window c = FindClient(child, depth + 1)) return c;
    }
    return 0;
  }

  bool OwnWindow(Window w) {
    Property p;
    return ReadProperty(display, w, net_wm_pid, &p) && !p.longs.empty() &&
           static_cast<pid_t>(p.longs[0]) == getpid();
  }

  std::vector<WindowInfo> ListWindows() {
    std::vector<WindowInfo> out;
    Property stacking;
    if (HasWindowManager() && ReadProperty(display, root, net_client_list_stacking, &stacking)) {
      // Bottom to top; the load wants the front-most first.
      for (auto it = stacking.longs.rbegin(); it != stacking.longs.rend(); ++it) {
        Window w = static_cast<Window>(*it);
        if (!Exists(w)) continue;
        int state = WmState(w);
        WindowInfo info;
        info.handle = w;
        info.title = Title(w);
        // A minimised window still counts as visible, as it does on Windows.
        info.visible = state == NormalState || state == IconicState || OnScreen(w);
        info.own = OwnWindow(w);
        out.push_back(std::move(info));
      }
      return out;
    }
    std::vector<Window> tops = Children(root);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
      Window top = *it;
      Window client = FindClient(top);
      if (client == 0) client = top;
      // Toolkits keep unmapped helper windows that are never shown; without a
      // window manager nothing can be minimised, so a window that is not on
      // the screen is not a target.
      if (!OnScreen(top) && WmState(client) != IconicState) continue;
      WindowInfo info;
      info.handle = client;
      info.title = Title(client);
      info.visible = true;
      info.own = OwnWindow(client);
      out.push_back(std::move(info));
    }
    return out;
  }

  // True when the keyboard focus is on w or inside it.
  bool HasFocus(Window w) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    for (int guard = 0; focus != None && focus != PointerRoot && guard < 64; ++guard) {
      if (focus == w) return true;
      if (focus == root) return false;
      Window parent = 0;
      Children(focus, &parent);
      focus = parent;
    }
    return false;
  }

  void RequestActivation(Window w, bool wm) {
    x11::ErrorTrap trap(display);
    if (wm) {
      if (WmState(w) == IconicState || !OnScreen(w)) XMapRaised(display, w);
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = w;
      event.xclient.message_type = net_active_window;
      event.xclient.format = 32;
      event.xclient.data.l[0] = 2;  // from a pager: window managers obey those
      event.xclient.data.l[1] = CurrentTime;
      event.xclient.data.l[2] = 0;
      XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
      XMapRaised(display, w);
      XRaiseWindow(display, w);
      // Focus can only go to a window on the screen.
      if (OnScreen(w)) XSetInputFocus(display, w, RevertToParent, CurrentTime);
    }
    trap.Failed();
  }

  bool Activate(Window w) {
    if (w == 0 || !Exists(w)) return false;
    bool wm = HasWindowManager();
    auto start = std::chrono::steady_clock::now();
    auto last_request = start;
    RequestActivation(w, wm);
    for (;;) {
      if (HasFocus(w)) return true;
      auto now = std::chrono::steady_clock::now();
      if (now - start > std::chrono::milliseconds(kActivateTimeoutMs)) return false;
      if (!Exists(w)) return false;
      // Mapping takes a moment; a request made before the window was on the
      // screen may have been ignored.
      if (now - last_request > std::chrono::milliseconds(200)) {
        RequestActivation(w, wm);
        last_request = now;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  Window Foreground() {
    if (HasWindowManager()) {
      Property active;
      if (ReadProperty(display, root, net_active_window, &active) && !active.longs.empty()) {
        return static_cast<Window>(active.longs[0]);
      }
      return 0;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root) return 0;
    // Up to the top-level, then down to its client.
    for (int guard = 0; guard < 64; ++guard) {
      Window parent = 0;
      Children(focus, &parent);
      if (parent == 0) return 0;
      if (parent == root) break;
      focus = parent;
    }
    Window client = FindClient(focus);
    return client ? client : focus;
  }

  const std::vector<CursorFrame>& WaitFrames(int size) {
    auto it = wait_frames.find(size);
    if (it != wait_frames.end()) return it->second;
    std::vector<CursorFrame>& frames = wait_frames[size];
    const char* theme = XcursorGetTheme(display);
    for (const char* name : {"wait", "watch", "left_ptr_watch", "progress"}) {
      XcursorImages* images = XcursorLibraryLoadImages(name, theme, size);
      if (!images) continue;
      for (int i = 0; i < images->nimage; ++i) {
        const XcursorImage* image = images->images[i];
        CursorFrame frame;
        frame.width = static_cast<int>(image->width);
        frame.height = static_cast<int>(image->height);
        frame.pixels.assign(image->pixels, image->pixels + image->width * image->height);
        frames.push_back(std::move(frame));
      }
      XcursorImagesDestroy(images);
    }
    return frames;
  }

  bool Hourglass() {
    if (!has_xfixes) return false;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return false;
    bool busy = false;
    if (image->name && IsBusyCursorName(image->name)) {
      busy = true;
    } else if (auto cached = busy_by_serial.find(image->cursor_serial);
               cached != busy_by_serial.end()) {
      busy = cached->second;
    } else {
      // Themed wait cursors are animations of unnamed frames: compare the
      // pixels with the theme's own frames.
      const size_t n = static_cast<size_t>(image->width) * image->height;
      for (const CursorFrame& frame : WaitFrames(std::max(image->width, image->height))) {
        if (frame.width != image->width || frame.height != image->height) continue;
        bool same = true;
        for (size_t i = 0; i < n && same; ++i) {
          same = static_cast<std::uint32_t>(image->pixels[i]) == frame.pixels[i];
        }
        if (same) {
          busy = true;
          break;
        }
      }
      if (busy_by_serial.size() > 4096) busy_by_serial.clear();
      busy_by_serial[image->cursor_serial] = busy;
    }
    XFree(image);
    return busy;
  }

  // ---- Checks made before every cell: kept to a round trip or two. ----

  // A property as 32-bit values, without an error trap (its two extra round
  // trips): a request with a reply reports a failure in place of the reply,
  // and the error handler keeps the error from ending the program.
  std::vector<long> QuickLongs(Window w, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (XGetWindowProperty(display, w, name, 0, 64, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        format == 32 && data) {
      const long* l = reinterpret_cast<const long*>(data);
      out.assign(l, l + count);
    }
    if (data) XFree(data);
    return out;
  }

  // 0 when the window is gone.
  Window QuickParent(Window w) {
    Window root_return = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    Status ok = XQueryTree(display, w, &root_return, &parent, &children, &n);
    if (children) XFree(children);
    return ok ? parent : 0;
  }

  Window TopLevelOf(Window w) {
    for (int guard = 0; guard < 64 && w != 0; ++guard) {
      Window parent = QuickParent(w);
      if (parent == root) return w;
      w = parent;
    }
    return 0;
  }

  bool SameClient(Window a, Window b) const { return (a & ~client_mask) == (b & ~client_mask); }

  // The window as it is now (no events): destroyed, withdrawn, or there.
  bool Present(Window w) {
    if (!Exists(w)) return false;
    // A program may withdraw (unmap) its window instead of destroying it: gone
    // for the user all the same. A minimised window is still there.
    const int state = WmState(w);
    if (state == NormalState || state == IconicState) return true;
    return state < 0 && OnScreen(w);
  }

  // Starts watching a window, or finds the watch begun before.
  Watched& Watch(Window w) {
    auto it = watched.find(w);
    if (it != watched.end()) return it->second;
    if (watched.size() > 4096) {
      // A long-running program forgets the windows of long-finished loads.
      for (auto old = watched.begin(); old != watched.end();) {
        old = old->second.dead ? std::next(old) : watched.erase(old);
      }
    }
    Watched& state = watched[w];
    state.since_serial = NextRequest(watch_display);
    x11::ErrorTrap trap(watch_display);
    XSelectInput(watch_display, w, WatchMask(w));
    if (trap.Failed()) state.dead = true;  // it was gone already
    return state;
  }

  // What the watch connection selects on a window: the load's windows' ends
  // and states, and the focus events of the top-level holding the focus.
  long WatchMask(Window w) const {
    long mask = 0;
    if (watched.count(w)) mask |= StructureNotifyMask | PropertyChangeMask;
    if (w != 0 && w == focus_seen.top_level) mask |= FocusChangeMask | StructureNotifyMask;
    return mask;
  }

  // Forgets a window seen to end, when a window of the same id is found again
  // by its title: that one is new and is watched from now on.
  void Rewatch(Window w) {
    DrainWatch();
    auto it = watched.find(w);
    if (it != watched.end() && it->second.dead) watched.erase(it);
  }

  void DrainWatch() {
    if (!watch_display) return;
    while (XPending(watch_display) > 0) {
      XEvent event;
      XNextEvent(watch_display, &event);
      // Whatever moves the focus or ends its top-level makes FocusIsWith ask
      // again.
      if (focus_seen.top_level != 0 && event.xany.window == focus_seen.top_level &&
          (event.type == FocusIn || event.type == FocusOut || event.type == DestroyNotify ||
           event.type == UnmapNotify || event.type == ReparentNotify)) {
        focus_seen.valid = false;
      }
      auto of = [&](Window w) -> Watched* {
        auto it = watched.find(w);
        if (it == watched.end() || event.xany.serial < it->second.since_serial) return nullptr;
        return &it->second;
      };
      switch (event.type) {
        case DestroyNotify:
          if (Watched* state = of(event.xdestroywindow.window)) state->dead = true;
          break;
        case UnmapNotify:
          if (Watched* state = of(event.xunmap.window)) state->stale = true;
          break;
        case MapNotify:
          if (Watched* state = of(event.xmap.window)) state->stale = true;
          break;
        case ReparentNotify:
          if (Watched* state = of(event.xreparent.window)) {
            state->stale = true;
            state->top_level = 0;
          }
          break;
        case PropertyNotify:
          if (Watched* state = of(event.xproperty.window)) {
            if (event.xproperty.atom == wm_state) state->stale = true;
            if (event.xproperty.atom == wm_protocols) state->can_ping = -1;
          }
          break;
        case ClientMessage:
          // A pinged program answers by sending the ping back to the root.
          if (event.xclient.message_type == wm_protocols && event.xclient.format == 32 &&
              static_cast<Atom>(event.xclient.data.l[0]) == net_wm_ping) {
            Watched* state = of(static_cast<Window>(event.xclient.data.l[2]));
            const auto stamp = static_cast<unsigned long>(event.xclient.data.l[1]) & 0xFFFFFFFFUL;
            if (state && state->ping_stamp == stamp) state->ping_stamp = 0;
          }
          break;
        default:
          break;
      }
    }
  }

  bool Alive(Window w) {
    DrainWatch();
    Watched& state = Watch(w);
    if (state.dead) return false;
    if (state.stale) {
      state.stale = false;
      state.present = Present(w);
      // Withdrawn after it was there: gone for good, as if destroyed.
      if (!state.present && state.was_present) state.dead = true;
      state.was_present = state.was_present || state.present;
    }
    return state.present;
  }

  void SendPing(Window w, Watched& state) {
    // Stamps count on from X-like milliseconds, each one new, so an answer
    // names the ping it answers.
    unsigned long stamp = static_cast<unsigned long>(NowMillis()) & 0xFFFFFFFFUL;
    if (stamp <= last_ping_stamp) stamp = (last_ping_stamp + 1) & 0xFFFFFFFFUL;
    if (stamp == 0) stamp = 1;
    last_ping_stamp = stamp;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = wm_protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(net_wm_ping);
    event.xclient.data.l[1] = static_cast<long>(stamp);
    event.xclient.data.l[2] = static_cast<long>(w);
    XSendEvent(watch_display, w, False, NoEventMask, &event);
    XFlush(watch_display);
    state.ping_stamp = stamp;
  }

  static std::int64_t NowMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  bool PointerOver(Window w, Watched& state) {
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, root, &root_return, &child, &root_x, &root_y, &win_x, &win_y,
                       &mask) ||
        child == None) {
      return false;
    }
    if (state.top_level == 0) state.top_level = TopLevelOf(w);
    return child == state.top_level;
  }

  bool TargetBusy(Window w, std::int64_t answer_ms, const std::function<bool()>& interrupted) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(std::max<std::int64_t>(answer_ms, 0));
    DrainWatch();
    Watched& state = Watch(w);
    if (state.dead) return false;  // gone: not busy; the existence check tells
    if (interrupted()) return true;
    // A ping goes only to a program that lists the protocol: others may take
    // any WM_PROTOCOLS message for a close request (xterm does). One ping at a
    // time: a hung program is not flooded, and its answer to the one it has
    // is as good as a new one.
    if (state.can_ping < 0) {
      const std::vector<long> protocols = QuickLongs(w, wm_protocols);
      state.can_ping =
          std::count(protocols.begin(), protocols.end(), static_cast<long>(net_wm_ping)) > 0;
    }
    if (state.can_ping == 1 && state.ping_stamp == 0) SendPing(w, state);
    // The cursor XFixes reports is the one under the pointer: it speaks for
    // the target only while the pointer is over it.
    if (PointerOver(w, state) && Hourglass()) return true;
    if (state.can_ping != 1) return false;
    const int watch_fd = ConnectionNumber(watch_display);
    const int esc_fd = esc_display ? ConnectionNumber(esc_display) : -1;
    for (;;) {
      DrainWatch();
      if (state.dead || state.ping_stamp == 0) return false;
      if (interrupted()) return true;
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
              .count();
      if (left <= 0) return true;
      pollfd fds[2] = {{watch_fd, POLLIN, 0}, {esc_fd, POLLIN, 0}};
      poll(fds, esc_fd >= 0 ? 2 : 1, static_cast<int>(std::min<std::int64_t>(left, 10)));
    }
  }

  bool FocusWith(Window w) {
    DrainWatch();
    if (focus_seen.valid && focus_seen.target == w) {
      // The one round trip of the check: every focus event the server made
      // before it has come in after it.
      XSync(watch_display, False);
      DrainWatch();
      if (focus_seen.valid) return true;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    const bool with = FocusBelongsTo(focus, w);
    if (with) {
      RememberFocus(w, focus);
    } else {
      focus_seen.valid = false;
    }
    return with;
  }

  // Watches the focus events of the focused window's top-level from now on.
  // The focus is asked again over the watch connection itself: any change
  // after that answer comes in as an event after it.
  void RememberFocus(Window w, Window focus) {
    const Window top = TopLevelOf(focus);
    const Window old = focus_seen.top_level;
    focus_seen = FocusSeen{false, w, focus, top};
    if (top == 0) return;
    x11::ErrorTrap trap(watch_display);
    if (old != 0 && old != top) XSelectInput(watch_display, old, WatchMask(old));
    XSelectInput(watch_display, top, WatchMask(top));
    Window again = 0;
    int revert = 0;
    XGetInputFocus(watch_display, &again, &revert);
    if (trap.Failed()) return;
    // Events that came before the answer are in it already.
    DrainWatch();
    focus_seen.valid = again == focus;
  }

  // The focused window now, from what FocusIsWith saw when no focus event has
  // come since; asked otherwise.
  Window KnownFocus() {
    DrainWatch();
    if (focus_seen.valid) return focus_seen.focus;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus;
  }

  bool FocusBelongsTo(Window focus, Window w) {
    if (focus == None || focus == PointerRoot || focus == root) return false;
    if (SameClient(focus, w)) return true;
    // Another connection: the same program still, when it says the same
    // process id (Wine opens a connection per thread).
    DrainWatch();
    Watched& state = Watch(w);
    if (state.pid == 0) {
      const std::vector<long> pid = QuickLongs(w, net_wm_pid);
      state.pid = pid.empty() || pid[0] <= 0 ? -1 : pid[0];
    }
    if (state.pid < 0) return false;
    for (int guard = 0; guard < 8; ++guard) {
      const std::vector<long> pid = QuickLongs(focus, net_wm_pid);
      if (!pid.empty()) return pid[0] == state.pid;
      const Window parent = QuickParent(focus);
      if (parent == 0 || parent == root) return false;
      if (SameClient(parent, w)) return true;
      focus = parent;
    }
    return false;
  }

  // ---- The crash handler's release: async-signal-safe calls only. ----

  bool SignalWrite(const unsigned char* data, std::size_t size) noexcept {
    std::size_t sent = 0;
    // The connection is non-blocking: wait for room, boundedly.
    for (int idle = 0; sent < size && idle < 100;) {
      const ssize_t n = write(signal_fd, data + sent, size - sent);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        return false;
      } else {
        pollfd fd = {signal_fd, POLLOUT, 0};
        poll(&fd, 1, 10);
        ++idle;
      }
    }
    return sent == size;
  }

  bool SignalRead(unsigned char* data, std::size_t size) noexcept {
    std::size_t have = 0;
    for (int idle = 0; have < size;) {
      pollfd fd = {signal_fd, POLLIN, 0};
      if (poll(&fd, 1, 10) <= 0) {
        if (++idle > 100) return false;
        continue;
      }
      const ssize_t n = read(signal_fd, data + have, size - have);
      if (n > 0) {
        have += static_cast<std::size_t>(n);
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        return false;
      }
    }
    return true;
  }

  // The next reply on the signal connection, into out (at least 40 bytes);
  // errors and events (32 bytes each) are passed over.
  bool SignalReply(unsigned char* out, std::size_t capacity) noexcept {
    for (int guard = 0; guard < 64; ++guard) {
      if (!SignalRead(out, 32)) return false;
      if (out[0] != X_Reply) continue;
      std::uint32_t words = 0;
      std::memcpy(&words, out + 4, 4);
      const std::size_t extra = static_cast<std::size_t>(words) * 4;
      if (32 + extra > capacity) return false;
      return SignalRead(out + 32, extra);
    }
    return false;
  }

  // Releases every key and button KeyEvent and MouseButtonEvent hold down,
  // through the signal connection with hand-made XTEST requests. Presses sent
  // just before went through the main connection, and X keeps no order
  // between two connections: a press may still wait in the server while our
  // release is done, and the server may serve our connection several turns
  // before it comes back to the main one. So the server's keymap and pointer
  // are read back after each round and what is down is released again, until
  // nothing of ours has been down for kSignalSettleMs; two seconds at most.
  void ReleaseFromSignal() noexcept {
    if (signal_fd < 0 || releasing.test_and_set()) return;
    bool ours_key[256] = {}, key_held[256] = {};
    bool ours_button[8] = {}, button_held[8] = {};
    int held = 0;
    for (std::size_t b = 1; b < buttons_down.size(); ++b) {
      if (buttons_down[b].exchange(false)) ours_button[b] = button_held[b] = ++held > 0;
    }
    for (std::size_t k = 8; k < keys_down.size(); ++k) {
      if (keys_down[k].exchange(false)) ours_key[k] = key_held[k] = ++held > 0;
    }
    if (held > 0) signal_written.store(true);
    alignas(4) unsigned char buffer[(256 + 8) * sz_xXTestFakeInputReq + 12];
    // The time in ms, from the one clock call that is async-signal-safe.
    auto now_ms = []() noexcept {
      timespec t{};
      clock_gettime(CLOCK_MONOTONIC, &t);
      return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    };
    std::int64_t clean_since = -1;  // nothing of ours down since then
    for (int round = 0; held > 0 || now_ms() - clean_since < kSignalSettleMs; ++round) {
      if (round >= 200) break;
      std::size_t used = 0;
      auto put = [&](int type, int detail) {
        xXTestFakeInputReq request;
        std::memset(&request, 0, sizeof request);
        request.reqType = static_cast<CARD8>(xtest_opcode);
        request.xtReqType = X_XTestFakeInput;
        request.length = sz_xXTestFakeInputReq / 4;
        request.type = static_cast<BYTE>(type);
        request.detail = static_cast<BYTE>(detail);
        std::memcpy(buffer + used, &request, sz_xXTestFakeInputReq);
        used += sz_xXTestFakeInputReq;
      };
      for (int b = 1; b < 8; ++b) {
        if (button_held[b]) put(ButtonRelease, b);
      }
      for (int k = 8; k < 256; ++k) {
        if (key_held[k]) put(KeyRelease, k);
      }
      // QueryKeymap, then QueryPointer on the root: in the client's own byte
      // order, which is this machine's.
      const std::uint16_t one = 1, two = 2;
      const std::uint32_t root_id = static_cast<std::uint32_t>(root);
      buffer[used] = X_QueryKeymap;
      buffer[used + 1] = 0;
      std::memcpy(buffer + used + 2, &one, 2);
      buffer[used + 4] = X_QueryPointer;
      buffer[used + 5] = 0;
      std::memcpy(buffer + used + 6, &two, 2);
      std::memcpy(buffer + used + 8, &root_id, 4);
      used += 12;
      unsigned char keymap[40], pointer[40];
      if (!SignalWrite(buffer, used) || !SignalReply(keymap, sizeof keymap) ||
          !SignalReply(pointer, sizeof pointer)) {
        break;
      }
      std::uint16_t mask = 0;
      std::memcpy(&mask, pointer + 24, 2);
      held = 0;
      for (int b = 1; b < 8; ++b) {
        button_held[b] = ours_button[b] && b <= 5 && (mask & (Button1Mask << (b - 1)));
        held += button_held[b];
      }
      for (int k = 8; k < 256; ++k) {
        key_held[k] = ours_key[k] && (keymap[8 + k / 8] & (1 << (k % 8)));
        held += key_held[k];
      }
      if (held > 0) {
        clean_since = -1;
      } else if (clean_since < 0) {
        clean_since = now_ms();
      }
      poll(nullptr, 0, 5);
    }
    releasing.clear();
  }

  void FindXTestDevices() {
    xtest_devices.clear();
    real_keyboards.clear();
    int n = 0;
    XIDeviceInfo* devices = XIQueryDevice(esc_display, XIAllDevices, &n);
    for (int i = 0; i < n; ++i) {
      // "Virtual core XTEST keyboard": where the keys this program sends come
      // from.
      if (devices[i].name && std::strstr(devices[i].name, "XTEST")) {
        xtest_devices.insert(devices[i].deviceid);
      } else if (devices[i].use == XISlaveKeyboard) {
        real_keyboards.insert(devices[i].deviceid);
      }
    }
    if (devices) XIFreeDeviceInfo(devices);
  }

  // The modifiers down on the keyboards a person types on. The core keymap
  // (XQueryKeymap) is the union of every keyboard, the XTEST one included,
  // where the keys of a load, or of any other program that types through
  // XTest, are down: each real keyboard is asked on its own instead.
  unsigned RealHeldModifiers() {
    DrainEscape();  // keeps the keyboard list and the keys down current
    if (!modifiers_known) ReadModifiersFromKeyboards();
    unsigned held = 0;
    for (const auto& [device, keycode] : modifiers_down) {
      const auto bit = modifier_keycodes.find(keycode);
      if (bit != modifier_keycodes.end()) held |= bit->second;
    }
    return held;
  }

  // What the raw events go on from. Events of presses and releases before
  // this read may still come in after it; they repeat what it saw.
  void ReadModifiersFromKeyboards() {
    modifiers_down.clear();
    modifiers_known = true;
    for (int id : real_keyboards) {
      x11::ErrorTrap trap(esc_display);
      XDevice* device = XOpenDevice(esc_display, static_cast<XID>(id));
      if (device == nullptr) continue;
      if (XDeviceState* state = XQueryDeviceState(esc_display, device)) {
        auto* item = reinterpret_cast<XInputClass*>(state->data);
        for (int c = 0; c < state->num_classes; ++c) {
          if (item->c_class == KeyClass) {
            const auto* keys = reinterpret_cast<XKeyState*>(item);
            for (const auto& modifier : modifier_keycodes) {
              const int keycode = modifier.first;
              if (keycode < keys->num_keys && (keys->keys[keycode / 8] & (1 << (keycode % 8)))) {
                modifiers_down.insert({id, keycode});
              }
            }
          }
          item = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(item) + item->length);
        }
        XFreeDeviceState(state);
      }
      XCloseDevice(esc_display, device);
      trap.Failed();  // a keyboard unplugged meanwhile is no error
    }
  }

  // Without XInput the whole core keymap is all there is. Between two cells a
  // load holds no key, so what is down there is somebody else's.
  unsigned CoreHeldModifiers() {
    char keys[32] = {};
    XQueryKeymap(display, keys);
    unsigned held = 0;
    for (const auto& [keycode, bit] : modifier_keycodes) {
      if (keys[keycode / 8] & (1 << (keycode % 8))) held |= bit;
    }
    return held;
  }

  // Esc: every press of an Esc key counts, from any keyboard, the XTEST one
  // included (a remote-desktop server types its user's keys through XTest),
  // except the presses this program sent itself. KeyEvent notes each Esc it
  // sends; each raw Esc press from the XTEST keyboard takes the oldest note of
  // the same keycode instead of counting. A note whose press has not come back
  // within kOwnEscapeMs is dropped after a round trip has shown the server has
  // nothing older to deliver: it will never match, and must not swallow a
  // later press of the user's. A press on a real keyboard never matches a note.
  void DrainEscape() {
    if (!esc_display) return;
    ReadEscapeEvents();
    const auto now = std::chrono::steady_clock::now();
    auto overdue = [&] {
      return !sent_escapes.empty() && now - sent_escapes.front().sent > kOwnEscapeMs;
    };
    if (overdue()) {
      XSync(esc_display, False);
      ReadEscapeEvents();
      while (overdue()) sent_escapes.pop_front();
    }
  }

  bool OwnEscape(const XIRawEvent* raw) {
    if (sent_escapes.empty() || sent_escapes.front().keycode != raw->detail) return false;
    if (!xtest_devices.empty() && !xtest_devices.count(raw->sourceid)) return false;
    sent_escapes.pop_front();
    return true;
  }

  void ReadEscapeEvents() {
    while (XPending(esc_display) > 0) {
      XEvent event;
      XNextEvent(esc_display, &event);
      XGenericEventCookie* cookie = &event.xcookie;
      if (cookie->type != GenericEvent || cookie->extension != xi_opcode) continue;
      if (!XGetEventData(esc_display, cookie)) continue;
      if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        const bool press = cookie->evtype == XI_RawKeyPress;
        if (press && escape_keycodes.count(raw->detail) && !OwnEscape(raw)) escape_seen = true;
        if (modifier_keycodes.count(raw->detail) && real_keyboards.count(raw->sourceid)) {
          if (press) {
            modifiers_down.insert({raw->sourceid, raw->detail});
          } else {
            modifiers_down.erase({raw->sourceid, raw->detail});
          }
        }
      } else if (cookie->evtype == XI_HierarchyChanged) {
        FindXTestDevices();
        modifiers_known = false;
      }
      XFreeEventData(esc_display, cookie);
    }
  }

  void SelectRootEvents(int device, std::initializer_list<int> events) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{};
    mask.deviceid = device;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    for (int event : events) XISetMask(bits, event);
    XISelectEvents(esc_display, DefaultRootWindow(esc_display), &mask, 1);
  }

  bool OpenEscapeWatch(const char* display_name) {
    esc_display = x11::OpenDisplay(display_name);
    if (!esc_display) return false;
    int event_base = 0, error_base = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(esc_display, "XInputExtension", &xi_opcode, &event_base, &error_base) ||
        XIQueryVersion(esc_display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 1)) {
      // Raw events reach a client that does not grab the keyboard from 2.1 on.
      x11::CloseDisplay(esc_display);
      esc_display = nullptr;
      return false;
    }
    // Master devices only: with every device each key would come twice.
    SelectRootEvents(XIAllMasterDevices, {XI_RawKeyPress, XI_RawKeyRelease});
    // Devices that come and go are announced to XIAllDevices only, and a mask
    // that mixes the two is refused as a whole.
    SelectRootEvents(XIAllDevices, {XI_HierarchyChanged});
    XSync(esc_display, False);
    FindXTestDevices();
    return true;
  }
};

X11Platform::X11Platform(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11Platform::~X11Platform() = default;

std::unique_ptr<X11Platform> X11Platform::Open(std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    return nullptr;
  };
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return fail("There is no X display: DISPLAY is not set.");
  x11::InitThreads();
  x11::InstallErrorHandler();
  // The load sleeps 50 ms before every cell; the kernel's default timer slack
  // lets each of those run late by a tenth of a millisecond or more, which a
  // load of thousands of cells adds up.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  auto impl = std::make_unique<Impl>();
  impl->display = x11::OpenDisplay(name);
  if (!impl->display) return fail(std::string("Cannot open the X display \"") + name + "\".");
  Display* d = impl->display;
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(d, &event_base, &error_base, &major, &minor)) {
    return fail("The X server has no XTEST extension: keys cannot be sent.");
  }
  // Keys sent while another client grabs the server must still arrive in order.
  XTestGrabControl(d, True);
  impl->screen = DefaultScreen(d);
  impl->root = RootWindow(d, impl->screen);
  impl->net_client_list_stacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
  impl->net_active_window = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  impl->net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
  impl->utf8_string = XInternAtom(d, "UTF8_STRING", False);
  impl->wm_state = XInternAtom(d, "WM_STATE", False);
  impl->net_wm_pid = XInternAtom(d, "_NET_WM_PID", False);
  impl->net_supporting_wm_check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  impl->LoadKeymap();
  int fixes_event = 0, fixes_error = 0;
  impl->has_xfixes = XFixesQueryExtension(d, &fixes_event, &fixes_error);
  impl->wm_protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  impl->net_wm_ping = XInternAtom(d, "_NET_WM_PING", False);
  // Resource ids carry their client in the bits above the server-wide client
  // mask; Xlib keeps that mask (resource_mask) in the display's public part.
  impl->client_mask = reinterpret_cast<_XPrivDisplay>(d)->private4;
  impl->OpenEscapeWatch(name);
  impl->watch_display = x11::OpenDisplay(name);
  if (!impl->watch_display) return fail(std::string("Cannot open the X display \"") + name + "\".");
  XSelectInput(impl->watch_display, DefaultRootWindow(impl->watch_display), SubstructureNotifyMask);
  XSync(impl->watch_display, False);
  impl->signal_display = x11::OpenDisplay(name);
  int xtest_event = 0, xtest_error = 0;
  if (impl->signal_display && XQueryExtension(impl->signal_display, "XTEST", &impl->xtest_opcode,
                                              &xtest_event, &xtest_error)) {
    XTestGrabControl(impl->signal_display, True);
    XSync(impl->signal_display, False);
    impl->signal_fd = ConnectionNumber(impl->signal_display);
  }
  std::string clip_error;
  impl->clipboard = X11Clipboard::Start(name, &clip_error);
  if (!impl->clipboard) return fail(clip_error);
  return std::unique_ptr<X11Platform>(new X11Platform(std::move(impl)));
}

std::vector<WindowInfo> X11Platform::ListWindows() { return impl_->ListWindows(); }

WindowHandle X11Platform::FindWindowByTitle(std::string_view title) {
  const WindowHandle found = MatchWindowTitle(impl_->ListWindows(), DecodeText(title));
  // Found by its title now: a window that had this id before and ended is
  // another one.
  if (found != 0) {
    std::lock_guard lock(impl_->watch_mutex);
    impl_->Rewatch(static_cast<Window>(found));
  }
  return found;
}

bool X11Platform::ActivateWindow(WindowHandle window) {
  const auto w = static_cast<Window>(window);
  if (w == 0) return false;
  // Watched from before the activation on, so its end is seen whenever it
  // comes.
  std::lock_guard lock(impl_->watch_mutex);
  impl_->DrainWatch();
  Impl::Watched& state = impl_->Watch(w);
  if (state.dead) return false;
  if (!impl_->Activate(w)) return false;
  state.was_present = true;
  return true;
}

WindowHandle X11Platform::GetForegroundWindow() { return impl_->Foreground(); }

void X11Platform::SetForegroundWindow(WindowHandle window) {
  if (window != 0) impl_->Activate(static_cast<Window>(window));
}

bool X11Platform::IsHourglassShowing() { return impl_->Hourglass(); }

bool X11Platform::IsTargetBusy(WindowHandle target, std::int64_t answer_ms) {
  if (target == 0) return false;
  std::lock_guard lock(impl_->watch_mutex);
  return impl_->TargetBusy(static_cast<Window>(target), answer_ms,
                           [this] { return StopRequested() || EscapePressed(); });
}

bool X11Platform::FocusIsWith(WindowHandle target) {
  if (target == 0) return false;
  std::lock_guard lock(impl_->watch_mutex);
  return impl_->FocusWith(static_cast<Window>(target));
}

std::int16_t X11Platform::VkKeyScan(char c) {
  Impl& s = *impl_;
  const auto byte = static_cast<unsigned char>(c);
  // Control characters are keys (Tab, Enter, Backspace, Esc) or Ctrl with a
  // letter, whatever the layout, as Windows answers them.
  if (const std::int16_t control = ControlCharKeyScan(byte); control != 0) {
    return s.KeycodeForVk(static_cast<std::uint8_t>(control & 0xFF)) ? control : -1;
  }
  unsigned long keysym = KeysymForByte(byte);
  if (keysym == 0) return -1;
  // Layouts may name a character by its Unicode keysym instead.
  unsigned long unicode = 0;
  if (keysym < 0x01000000UL) {
    if (keysym >= 0x20 && keysym <= 0xFF) unicode = 0x01000000UL | keysym;
  }
  int level = 0;
  KeyCode kc = s.LowestKeycode(keysym, &level);
  if (!kc && unicode) kc = s.LowestKeycode(unicode, &level);
  if (!kc) {
    // Third and fourth level (AltGr): Windows reports Ctrl+Alt in the high byte.
    for (int k = s.min_keycode; k <= s.max_keycode && !kc; ++k) {
      for (int col = 4; col < 6; ++col) {
        KeySym sym = s.SymAt(k, col);
        if (sym != NoSymbol && (sym == keysym || sym == unicode)) {
          kc = static_cast<KeyCode>(k);
          level = col == 4 ? 6 : 7;
          break;
        }
      }
    }
  }
  if (!kc) return -1;
  std::uint8_t vk = s.VkForKeycode(kc);
  if (vk == 0) return -1;
  return static_cast<std::int16_t>((level << 8) | vk);
}

void X11Platform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  if (virtual_key == 0xFF) return;  // "no key": the layout lacked the character
  KeyCode kc = impl_->KeycodeForVk(virtual_key);
  if (!kc) return;
  Impl& s = *impl_;
  if (!key_up) {
    s.last_key_down = std::chrono::steady_clock::now();
    // Down in the table before it goes out, up only after: a crash handler
    // releases what may be down.
    s.keys_down[kc].store(true);
    if (s.esc_display && (virtual_key == 0x1B || s.escape_keycodes.count(kc))) {
      s.sent_escapes.push_back({kc, s.last_key_down});
    }
  }
  XTestFakeKeyEvent(s.display, kc, key_up ? False : True, CurrentTime);
  // The server keeps the order of one connection, so sending is enough; where
  // another connection follows (the clipboard), SetClipboardText waits for the
  // server first. A round trip per key would cost more than the keys.
  XFlush(s.display);
  if (key_up) s.keys_down[kc].store(false);
}

void X11Platform::SetCursorPos(int x, int y) {
  XTestFakeMotionEvent(impl_->display, impl_->screen, x, y, CurrentTime);
  XFlush(impl_->display);
}

std::optional<ScreenPoint> X11Platform::GetCursorPos() {
  Window root_return = 0, child = 0;
  int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(impl_->display, impl_->root, &root_return, &child, &root_x, &root_y, &win_x,
                     &win_y, &mask)) {
    return std::nullopt;
  }
  return ScreenPoint{root_x, root_y};
}

void X11Platform::MouseButtonEvent(MouseButton button, bool up, int, int) {
  // The button acts where the pointer is, as mouse_event does without a move
  // flag; SetCursorPos has put it there.
  unsigned int number = button == MouseButton::kLeft ? 1 : 3;
  if (!up) impl_->buttons_down[number].store(true);
  XTestFakeButtonEvent(impl_->display, number, up ? False : True, CurrentTime);
  XFlush(impl_->display);
  if (up) impl_->buttons_down[number].store(false);
}

void X11Platform::BeginEscapeWatch() {
  impl_->LoadKeymap();
  impl_->DrainEscape();
  impl_->escape_seen = false;
}

bool X11Platform::EscapePressed() {
  impl_->DrainEscape();
  return impl_->escape_seen;
}

unsigned X11Platform::HeldModifiers() {
  return impl_->esc_display ? impl_->RealHeldModifiers() : impl_->CoreHeldModifiers();
}

void X11Platform::SetClipboardText(std::string_view text) {
  XFlush(impl_->display);
  impl_->clipboard->SetText(text);
}

bool X11Platform::OfferClipboard(const ClipboardOffer& offer) {
  return impl_->clipboard->SetOffer(offer);
}

std::optional<ClipboardOffer> X11Platform::CurrentClipboardOffer() {
  return impl_->clipboard->CurrentOffer();
}

bool X11Platform::WaitForPaste(std::int64_t wait_ms) {
  Impl& s = *impl_;
  X11Clipboard::PasteWait wait;
  // The paste key was the last key pressed; only a request made after it is
  // the target's paste, and the grace for other clients runs from it too.
  wait.since = s.last_key_down;
  wait.client_mask = s.client_mask;
  if (s.paste_client_since != s.last_key_down) {
    s.paste_client_since = s.last_key_down;
    s.paste_client = 0;
    Window focus = 0;
    {
      std::lock_guard lock(s.watch_mutex);
      focus = s.KnownFocus();
    }
    if (focus != None && focus != PointerRoot) s.paste_client = focus & ~s.client_mask;
  }
  wait.target_client = s.paste_client;
  wait.until = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(std::max<std::int64_t>(wait_ms, 0));
  wait.stop = [this] { return StopRequested(); };
  return s.clipboard->WaitForPaste(wait);
}

void X11Platform::Sleep(std::int64_t ms) {
  if (ms <= 0) return;
  // In short steps, so a stop request (a signal, the program quitting) ends
  // the wait within a few milliseconds instead of after a long pause.
  constexpr auto kStep = std::chrono::milliseconds(10);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!StopRequested()) {
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kStep));
  }
}

void X11Platform::SleepUnlessEscape(std::int64_t ms) {
  Impl& s = *impl_;
  // To the deadline itself rather than in whole-millisecond steps (a load
  // waits 50 ms before every cell, and thousands of cells add up what each
  // step overshoots), and woken by the keyboard watch: an Esc ends the wait
  // when it comes. Stop requests come from signal handlers, which cannot wake
  // the poll: they are looked at every 10 ms.
  constexpr auto kStep = std::chrono::milliseconds(10);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  const int esc_fd = s.esc_display ? ConnectionNumber(s.esc_display) : -1;
  while (!StopRequested() && !EscapePressed()) {
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    const auto step = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::min<std::chrono::steady_clock::duration>(left, kStep));
    if (esc_fd < 0) {
      std::this_thread::sleep_for(step);
      continue;
    }
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(step.count() / 1000000000);
    timeout.tv_nsec = static_cast<long>(step.count() % 1000000000);
    pollfd fd = {esc_fd, POLLIN, 0};
    ppoll(&fd, 1, &timeout, nullptr);
  }
}

bool X11Platform::WindowExists(WindowHandle window) {
  if (window == 0) return false;
  std::lock_guard lock(impl_->watch_mutex);
  return impl_->Alive(static_cast<Window>(window));
}

std::int64_t X11Platform::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool X11Platform::HasWindowManager() { return impl_->HasWindowManager(); }

unsigned X11Platform::KeycodeForVirtualKey(std::uint8_t virtual_key) {
  return impl_->KeycodeForVk(virtual_key);
}

bool X11Platform::CanWatchEscape() const { return impl_->esc_display != nullptr; }

void X11Platform::ReleaseHeldInputFromSignal() noexcept { impl_->ReleaseFromSignal(); }

void InitX11Threads() { x11::InitThreads(); }

std::unique_ptr<Platform> CreateX11Platform(std::string* error) { return X11Platform::Open(error); }

}  // namespace typelane
