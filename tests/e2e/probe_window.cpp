// A small X client the end-to-end tests load into: a window that logs every key
// (keysym and server time), button press and focus change to a file, and can act
// busy (the wait cursor up, no events handled) at start and after keys, as a
// slow target would.
//   probe_window TITLE LOGFILE [--busy-on-key MS] [--busy-at-start MS]
//                [--busy-until FILE] [--cursor theme|font] [--geometry WxH+X+Y]
// --busy-until keeps it busy from the start until FILE exists.

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

FILE* g_log = nullptr;
Display* g_display = nullptr;
Window g_window = 0;
Cursor g_busy = 0;

void Log(const std::string& line) {
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);
}

struct Queued {
  int keys = 0;
  int focus = 0;  // FocusIn events
};

Bool CountQueued(Display*, XEvent* event, XPointer arg) {
  auto* queued = reinterpret_cast<Queued*>(arg);
  if (event->type == KeyPress) ++queued->keys;
  if (event->type == FocusIn) ++queued->focus;
  return False;  // only counting: nothing is taken from the queue
}

Queued PeekQueue() {
  XSync(g_display, False);
  Queued queued;
  XEvent peek;
  XCheckIfEvent(g_display, &peek, CountQueued, reinterpret_cast<XPointer>(&queued));
  return queued;
}

// Busy for ms milliseconds, or (ms 0) until release_file exists. Meanwhile it
// logs what queues up unhandled whenever it changes: "focus-queued N" (FocusIn
// events) and "queued N" (keys).
void ActBusy(int ms, const std::string& release_file = "") {
  Log("busy-start");
  XDefineCursor(g_display, g_window, g_busy);
  XFlush(g_display);
  // Like a program stuck in work: the cursor is up and no event is handled.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  int focus_logged = 0;
  int keys_logged = 0;
  for (;;) {
    if (ms > 0 && std::chrono::steady_clock::now() >= end) break;
    if (ms <= 0 && std::filesystem::exists(release_file)) break;
    const Queued now = PeekQueue();
    if (now.focus != focus_logged) {
      Log("focus-queued " + std::to_string(now.focus));
      focus_logged = now.focus;
    }
    if (now.keys != keys_logged) {
      Log("queued " + std::to_string(now.keys));
      keys_logged = now.keys;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Keys that arrived while the wait cursor was still up: a sender that honours
  // the busy cursor sends none.
  const int queued = PeekQueue().keys;
  Log("busy-queued " + std::to_string(queued));
  XUndefineCursor(g_display, g_window);
  XFlush(g_display);
  Log("busy-end");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: probe_window TITLE LOGFILE [options]\n");
    return 2;
  }
  const char* title = argv[1];
  int busy_on_key = 0, busy_at_start = 0;
  std::string busy_until;
  std::string cursor_kind = "theme";
  unsigned width = 1000, height = 700;
  int x = 0, y = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--busy-on-key") busy_on_key = std::atoi(argv[i + 1]);
    if (opt == "--busy-at-start") busy_at_start = std::atoi(argv[i + 1]);
    if (opt == "--busy-until") busy_until = argv[i + 1];
    if (opt == "--cursor") cursor_kind = argv[i + 1];
    if (opt == "--geometry") std::sscanf(argv[i + 1], "%ux%u+%d+%d", &width, &height, &x, &y);
  }
  g_log = std::fopen(argv[2], "w");
  g_display = XOpenDisplay(nullptr);
  if (!g_log || !g_display) return 1;
  Window root = DefaultRootWindow(g_display);
  g_window = XCreateSimpleWindow(g_display, root, x, y, width, height, 0, 0, 0xFFFFFF);
  XStoreName(g_display, g_window, title);
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = static_cast<int>(width);
  hints.height = static_cast<int>(height);
  XSetWMNormalHints(g_display, g_window, &hints);
  XWMHints wm_hints{};
  wm_hints.flags = InputHint;
  wm_hints.input = True;
  XSetWMHints(g_display, g_window, &wm_hints);
  g_busy = cursor_kind == "font" ? XCreateFontCursor(g_display, XC_watch)
                                 : XcursorLibraryLoadCursor(g_display, "watch");
  XSelectInput(
      g_display, g_window,
      KeyPressMask | ButtonPressMask | FocusChangeMask | ExposureMask | StructureNotifyMask);
  XMapRaised(g_display, g_window);
  for (;;) {
    XEvent event;
    XNextEvent(g_display, &event);
    if (event.type == MapNotify) break;
  }
  Log("mapped");
  if (busy_at_start > 0) ActBusy(busy_at_start);
  if (!busy_until.empty()) ActBusy(0, busy_until);
  for (;;) {
    XEvent event;
    XNextEvent(g_display, &event);
    if (event.type == KeyPress) {
      KeySym sym = XLookupKeysym(&event.xkey, (event.xkey.state & ShiftMask) ? 1 : 0);
      const char* name = XKeysymToString(sym);
      Log(std::string("key ") + (name ? name : "?"));
      if (sym == XK_Escape) continue;
      if (busy_on_key > 0) ActBusy(busy_on_key);
    } else if (event.type == ButtonPress) {
      Log("button " + std::to_string(event.xbutton.button) + " " +
          std::to_string(event.xbutton.x_root) + " " + std::to_string(event.xbutton.y_root));
    } else if (event.type == FocusIn) {
      Log("focus-in");
    } else if (event.type == DestroyNotify) {
      break;
    }
  }
  return 0;
}
