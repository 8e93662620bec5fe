#include "platform/x11/X11Platform.h"

#include <X11/X.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
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
  bool escape_seen = false;

  std::unique_ptr<X11Clipboard> clipboard;
  std::chrono::steady_clock::time_point last_key_down;

  ~Impl() {
    clipboard.reset();
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
    unsigned held = 0;
    DrainEscape();  // keeps the keyboard list current
    for (int id : real_keyboards) {
      x11::ErrorTrap trap(esc_display);
      XDevice* device = XOpenDevice(esc_display, static_cast<XID>(id));
      if (device == nullptr) continue;
      if (XDeviceState* state = XQueryDeviceState(esc_display, device)) {
        auto* item = reinterpret_cast<XInputClass*>(state->data);
        for (int c = 0; c < state->num_classes; ++c) {
          if (item->c_class == KeyClass) {
            const auto* keys = reinterpret_cast<XKeyState*>(item);
            for (const auto& [keycode, bit] : modifier_keycodes) {
              if (keycode < keys->num_keys && (keys->keys[keycode / 8] & (1 << (keycode % 8)))) {
                held |= bit;
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
    return held;
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

  void DrainEscape() {
    if (!esc_display) return;
    while (XPending(esc_display) > 0) {
      XEvent event;
      XNextEvent(esc_display, &event);
      XGenericEventCookie* cookie = &event.xcookie;
      if (cookie->type != GenericEvent || cookie->extension != xi_opcode) continue;
      if (!XGetEventData(esc_display, cookie)) continue;
      if (cookie->evtype == XI_RawKeyPress) {
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        if (!xtest_devices.count(raw->sourceid) && escape_keycodes.count(raw->detail)) {
          escape_seen = true;
        }
      } else if (cookie->evtype == XI_HierarchyChanged) {
        FindXTestDevices();
      }
      XFreeEventData(esc_display, cookie);
    }
  }

  void SelectRootEvents(int device, int event) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{};
    mask.deviceid = device;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISetMask(bits, event);
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
    SelectRootEvents(XIAllMasterDevices, XI_RawKeyPress);
    // Devices that come and go are announced to XIAllDevices only, and a mask
    // that mixes the two is refused as a whole.
    SelectRootEvents(XIAllDevices, XI_HierarchyChanged);
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
  impl->OpenEscapeWatch(name);
  std::string clip_error;
  impl->clipboard = X11Clipboard::Start(name, &clip_error);
  if (!impl->clipboard) return fail(clip_error);
  return std::unique_ptr<X11Platform>(new X11Platform(std::move(impl)));
}

std::vector<WindowInfo> X11Platform::ListWindows() { return impl_->ListWindows(); }

WindowHandle X11Platform::FindWindowByTitle(std::string_view title) {
  return MatchWindowTitle(impl_->ListWindows(), DecodeText(title));
}

bool X11Platform::ActivateWindow(WindowHandle window) {
  return impl_->Activate(static_cast<Window>(window));
}

WindowHandle X11Platform::GetForegroundWindow() { return impl_->Foreground(); }

void X11Platform::SetForegroundWindow(WindowHandle window) {
  if (window != 0) impl_->Activate(static_cast<Window>(window));
}

bool X11Platform::IsHourglassShowing() { return impl_->Hourglass(); }

std::int16_t X11Platform::VkKeyScan(char c) {
  Impl& s = *impl_;
  const auto byte = static_cast<unsigned char>(c);
  // Control characters are keys (Tab, Enter, Backspace, Esc) or Ctrl with a
  // letter, whatever the layout, as Windows answers them.
  auto named = [&](std::uint8_t vk, int shift) -> std::int16_t {
    return s.KeycodeForVk(vk) ? static_cast<std::int16_t>((shift << 8) | vk) : -1;
  };
  switch (byte) {
    case '\t':
      return named(0x09, 0);
    case '\r':
      return named(0x0D, 0);
    case '\n':
      return named(0x0D, 2);
    case '\b':
      return named(0x08, 0);
    case 0x1B:
      return named(0x1B, 0);
    case 0x7F:
      return named(0x08, 2);
    default:
      break;
  }
  if (byte >= 1 && byte <= 26) return named(static_cast<std::uint8_t>('A' + byte - 1), 2);
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
  if (!key_up) impl_->last_key_down = std::chrono::steady_clock::now();
  XTestFakeKeyEvent(impl_->display, kc, key_up ? False : True, CurrentTime);
  // The server keeps the order of one connection, so sending is enough; where
  // another connection follows (the clipboard), SetClipboardText waits for the
  // server first. A round trip per key would cost more than the keys.
  XFlush(impl_->display);
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
  XTestFakeButtonEvent(impl_->display, number, up ? False : True, CurrentTime);
  XFlush(impl_->display);
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

bool X11Platform::WaitForPaste(std::int64_t wait_ms) {
  X11Clipboard::PasteWait wait;
  // The paste key was the last key pressed; only a request made after it is
  // the target's paste.
  wait.since = impl_->last_key_down;
  wait.timeout_ms = static_cast<int>(wait_ms);
  // Resource ids carry their client in the bits above the server-wide client
  // mask; Xlib keeps that mask (resource_mask) in the display's public part.
  wait.client_mask = reinterpret_cast<_XPrivDisplay>(impl_->display)->private4;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(impl_->display, &focus, &revert);
  if (focus != None && focus != PointerRoot) wait.target_client = focus & ~wait.client_mask;
  return impl_->clipboard->WaitForPaste(wait);
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

bool X11Platform::WindowExists(WindowHandle window) {
  const auto w = static_cast<Window>(window);
  if (w == 0 || !impl_->Exists(w)) return false;
  // A program may withdraw (unmap) its window instead of destroying it: gone
  // for the user all the same. A minimised window is still there.
  const int state = impl_->WmState(w);
  if (state == NormalState || state == IconicState) return true;
  return state < 0 && impl_->OnScreen(w);
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

void InitX11Threads() { x11::InitThreads(); }

std::unique_ptr<Platform> CreateX11Platform(std::string* error) { return X11Platform::Open(error); }

}  // namespace typelane
