#include "platform/wayland/WaylandPlatform.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/common/Errors.h"
#include "core/common/TextEncoding.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/x11/X11Keys.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
#include "fake-input-client-protocol.h"
#include "plasma-window-management-client-protocol.h"
#endif

namespace typelane {

const char* const kWaylandNoWindowsText =
    "This desktop does not let programs find or activate windows: its Wayland compositor offers "
    "no window list to other programs (GNOME does not). To load data, log in to an X11 session, "
    "or load into programs that run under XWayland through the X11 backend (start Typelane with "
    "TYPELANE_BACKEND=x11).";

const char* const kWaylandEscapeText =
    "Esc cannot stop this load: under Wayland only the window in front sees the keyboard. To "
    "stop the load, bring any other window to the front; closing the target window stops it too.";

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kActivateTimeout = std::chrono::milliseconds(2000);
constexpr auto kSyncTimeout = std::chrono::milliseconds(2000);
// A new virtual keyboard is announced to the clients with its keymap; keys
// sent before they have it are lost.
constexpr auto kInputSettle = std::chrono::milliseconds(150);
// How long closing waits for the compositor to take what was sent.
constexpr auto kFinalSync = std::chrono::milliseconds(1000);
// A program that asked for the clipboard and reads nothing for this long is
// left: the writer must not hang on it.
constexpr auto kStalledReader = std::chrono::seconds(10);

#if !defined(TYPELANE_HAVE_KDE_PROTOCOLS)
struct org_kde_plasma_window;
struct org_kde_plasma_window_management;
struct org_kde_kwin_fake_input;
#endif

struct Toplevel {
  WindowHandle id = 0;
  zwlr_foreign_toplevel_handle_v1* handle = nullptr;
  // KDE Plasma: the window's object, its uuid (the stacking order names
  // windows by it) and its program's pid.
  org_kde_plasma_window* kde = nullptr;
  std::string uuid;
  std::uint32_t pid = 0;
  std::string title;
  std::string app_id;
  WindowHandle parent = 0;
  bool activated = false;
  bool minimized = false;
  bool closed = false;
  bool ready = false;                           // its first state is complete ("done")
  std::uint64_t activated_order = 0;            // when it was last seen activated
  std::uint64_t* activation_counter = nullptr;  // the connection's, for activated_order
  // Pending until "done": the protocol sends a window's changes as one.
  std::string pending_title, pending_app_id;
  bool pending_activated = false, pending_minimized = false;
  bool has_pending_title = false, has_pending_app_id = false, has_pending_state = false;
};

struct Output {
  wl_output* output = nullptr;
  zxdg_output_v1* xdg = nullptr;
  int x = 0, y = 0, width = 0, height = 0;  // logical where xdg-output tells
  bool logical = false;
};

struct SyncWait {
  bool done = false;
  bool abandoned = false;
};

}  // namespace

struct WaylandPlatform::Impl {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* seat_keyboard = nullptr;
  zwlr_foreign_toplevel_manager_v1* toplevel_manager = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboard_manager = nullptr;
  zwlr_virtual_pointer_manager_v1* pointer_manager = nullptr;
  zwlr_data_control_manager_v1* data_control = nullptr;
  zxdg_output_manager_v1* xdg_output_manager = nullptr;
  org_kde_plasma_window_management* plasma_windows = nullptr;
  org_kde_kwin_fake_input* fake_input = nullptr;
  bool fake_input_ready = false;  // authenticated
  // KDE's stacking order, bottom to top, by uuid.
  std::vector<std::string> kde_stacking;
  zwlr_data_control_device_v1* data_device = nullptr;
  zwp_virtual_keyboard_v1* keyboard = nullptr;
  zwlr_virtual_pointer_v1* pointer = nullptr;
  std::vector<std::unique_ptr<Output>> outputs;

  // Everything the events change, and every request, under this lock; the
  // dispatch thread holds it while it runs the handlers.
  std::mutex mutex;
  std::condition_variable changed;
  std::thread dispatcher;
  int wake_pipe[2] = {-1, -1};
  std::atomic<bool> quitting{false};
  bool broken = false;

  std::map<WindowHandle, std::unique_ptr<Toplevel>> toplevels;
  WindowHandle next_id = 1;
  std::uint64_t activation_counter = 0;
  // Our app ids: Qt's native one, the desktop file's, and the X class an
  // XWayland window of ours carries.
  std::set<std::string> own_app_ids{"typelane", "com.veltrax.Typelane", "Typelane"};
  std::uint32_t own_pid = static_cast<std::uint32_t>(getpid());

  std::string seat_keymap;  // the seat keyboard's layout, as the compositor gave it
  std::unique_ptr<WaylandKeymap> keymap;
  xkb_state* key_state = nullptr;
  std::uint32_t sent_mods[4] = {0, 0, 0, 0};

  // The clipboard: the source that holds our text, and when it was last asked
  // for it.
  zwlr_data_control_source_v1* source = nullptr;
  std::string clip_utf8;
  // One for each time a program asked for the text since it was set: when,
  // and whether it has all of it.
  struct Transfer {
    Clock::time_point asked;
    bool written = false;
  };
  std::vector<std::shared_ptr<Transfer>> transfers;
  // The threads that write the text to its readers, with whether each is done.
  std::list<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> writers;
  Clock::time_point last_key_down{};

  std::optional<ScreenPoint> cursor;

  // For ReleaseHeldInputFromSignal: the socket, the objects' ids and what is
  // down now.
  int fd = -1;
  std::atomic<std::uint32_t> keyboard_id{0}, pointer_id{0}, fake_input_id{0};
  std::array<std::atomic<bool>, 1024> keys_down{};
  std::array<std::atomic<bool>, 2> buttons_down{};
  std::atomic_flag releasing = ATOMIC_FLAG_INIT;

  ~Impl() {
    quitting = true;
    if (wake_pipe[1] >= 0) {
      const char byte = 0;
      [[maybe_unused]] ssize_t n = write(wake_pipe[1], &byte, 1);
    }
    if (dispatcher.joinable()) dispatcher.join();
    // The compositor drops what it has not read yet when a client hangs up:
    // the last keys of a load must be in before the connection goes.
    if (display && !broken) FinalSync();
    for (auto& [writer, finished] : writers) writer.join();
    if (display) {
      if (source) zwlr_data_control_source_v1_destroy(source);
      if (keyboard) zwp_virtual_keyboard_v1_destroy(keyboard);
      if (pointer) zwlr_virtual_pointer_v1_destroy(pointer);
      if (data_device) zwlr_data_control_device_v1_destroy(data_device);
      for (auto& [id, t] : toplevels) {
        if (t->handle) zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
        if (t->kde) org_kde_plasma_window_destroy(t->kde);
#endif
      }
      if (toplevel_manager) zwlr_foreign_toplevel_manager_v1_stop(toplevel_manager);
      wl_display_flush(display);
      wl_display_disconnect(display);
    }
    if (key_state) xkb_state_unref(key_state);
    for (int p : wake_pipe) {
      if (p >= 0) close(p);
    }
  }

  // One round trip on the closing thread, at most kFinalSync long: a
  // compositor that hangs must not hold the program's exit.
  void FinalSync() {
    bool done = false;
    static const wl_callback_listener listener = {
        [](void* data, wl_callback* callback, std::uint32_t) {
          if (data) *static_cast<bool*>(data) = true;
          wl_callback_destroy(callback);
        }};
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, &done);
    const auto until = Clock::now() + kFinalSync;
    while (!done && Clock::now() < until) {
      if (wl_display_dispatch_pending(display) < 0) return;
      if (done) break;
      wl_display_flush(display);
      if (wl_display_prepare_read(display) != 0) continue;
      pollfd in = {wl_display_get_fd(display), POLLIN, 0};
      if (poll(&in, 1, 50) > 0 && (in.revents & POLLIN)) {
        if (wl_display_read_events(display) < 0) return;
      } else {
        wl_display_cancel_read(display);
        if (in.revents & (POLLERR | POLLHUP)) return;
      }
    }
    // Not answered in time: the callback may still come while the connection
    // closes, and must not write to `done` then.
    if (!done) wl_callback_set_user_data(callback, nullptr);
  }

  // --- the dispatch thread ---------------------------------------------------

  void DispatchLoop() {
    while (!quitting) {
      while (wl_display_prepare_read(display) != 0) {
        std::lock_guard lock(mutex);
        wl_display_dispatch_pending(display);
        changed.notify_all();
      }
      wl_display_flush(display);
      pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
      const int ready = poll(fds, 2, 200);
      bool lost = false;
      if (ready > 0 && (fds[0].revents & POLLIN)) {
        if (wl_display_read_events(display) < 0) lost = true;
      } else {
        wl_display_cancel_read(display);
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP))) lost = true;
      }
      if (fds[1].revents & POLLIN) {
        char buffer[16];
        [[maybe_unused]] ssize_t n = read(wake_pipe[0], buffer, sizeof buffer);
      }
      std::lock_guard lock(mutex);
      if (wl_display_dispatch_pending(display) < 0 || lost) {
        broken = true;
        // The compositor is gone, and every window with it.
        for (auto& [id, t] : toplevels) t->closed = true;
      }
      changed.notify_all();
      if (broken) return;
    }
  }

  // Waits (lock held) until the compositor has answered everything sent so
  // far. False when it did not answer in time or the connection is gone.
  bool Sync(std::unique_lock<std::mutex>& lock) {
    if (broken) return false;
    static const wl_callback_listener listener = {
        [](void* data, wl_callback* callback, std::uint32_t) {
          auto* wait = static_cast<SyncWait*>(data);
          wl_callback_destroy(callback);
          if (wait->abandoned) {
            delete wait;
          } else {
            wait->done = true;
          }
        }};
    auto* wait = new SyncWait();
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, wait);
    wl_display_flush(display);
    const bool answered =
        changed.wait_for(lock, kSyncTimeout, [&] { return wait->done || broken; }) && wait->done;
    if (answered) {
      delete wait;
    } else {
      wait->abandoned = true;  // freed by its callback, if that ever comes
    }
    return answered;
  }

  void Flush() { wl_display_flush(display); }

  // --- registry ----------------------------------------------------------------

  static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version) {
    auto* self = static_cast<Impl*>(data);
    auto bind = [&](const wl_interface* iface, std::uint32_t max) {
      return wl_registry_bind(registry, name, iface, std::min(version, max));
    };
    const std::string_view which = interface;
    if (which == wl_seat_interface.name && !self->seat) {
      self->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
      wl_seat_add_listener(self->seat, &kSeatListener, self);
    } else if (which == zwlr_foreign_toplevel_manager_v1_interface.name) {
      self->toplevel_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
          bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
      zwlr_foreign_toplevel_manager_v1_add_listener(self->toplevel_manager, &kManagerListener,
                                                    self);
    } else if (which == zwp_virtual_keyboard_manager_v1_interface.name) {
      self->keyboard_manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
          bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (which == zwlr_virtual_pointer_manager_v1_interface.name) {
      self->pointer_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
          bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (which == zwlr_data_control_manager_v1_interface.name) {
      self->data_control = static_cast<zwlr_data_control_manager_v1*>(
          bind(&zwlr_data_control_manager_v1_interface, 1));
    } else if (which == zxdg_output_manager_v1_interface.name) {
      self->xdg_output_manager =
          static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
    } else if (which == org_kde_plasma_window_management_interface.name) {
      self->plasma_windows = static_cast<org_kde_plasma_window_management*>(
          bind(&org_kde_plasma_window_management_interface, 16));
      org_kde_plasma_window_management_add_listener(self->plasma_windows, &kPlasmaListener, self);
    } else if (which == org_kde_kwin_fake_input_interface.name && version >= 4) {
      // Keys need version 4 (keyboard_key).
      self->fake_input =
          static_cast<org_kde_kwin_fake_input*>(bind(&org_kde_kwin_fake_input_interface, 4));
#endif
    } else if (which == wl_output_interface.name) {
      auto output = std::make_unique<Output>();
      output->output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
      wl_output_add_listener(output->output, &kOutputListener, output.get());
      self->outputs.push_back(std::move(output));
    }
  }
  static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
  static constexpr wl_registry_listener kRegistryListener = {Global, GlobalRemove};

  // --- seat: only its keyboard's keymap (the user's layout) is of use -------

  static void SeatCapabilities(void* data, wl_seat* seat, std::uint32_t caps) {
    auto* self = static_cast<Impl*>(data);
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !self->seat_keyboard) {
      self->seat_keyboard = wl_seat_get_keyboard(seat);
      wl_keyboard_add_listener(self->seat_keyboard, &kKeyboardListener, self);
    }
  }
  static void SeatName(void*, wl_seat*, const char*) {}
  static constexpr wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

  static void KeyboardKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd,
                             std::uint32_t size) {
    auto* self = static_cast<Impl*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
      void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
      if (map != MAP_FAILED) {
        const char* text = static_cast<const char*>(map);
        self->seat_keymap.assign(text, strnlen(text, size));
        munmap(map, size);
      }
    }
    close(fd);
  }
  static void KeyboardEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
  static void KeyboardLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
  static void KeyboardKey(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                          std::uint32_t) {}
  static void KeyboardModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                                std::uint32_t, std::uint32_t) {}
  static void KeyboardRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
  static constexpr wl_keyboard_listener kKeyboardListener = {
      KeyboardKeymap, KeyboardEnter, KeyboardLeave, KeyboardKey, KeyboardModifiers, KeyboardRepeat};

  // --- outputs: the size of the layout the pointer moves over --------------

  static void OutputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                             std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    auto* o = static_cast<Output*>(data);
    if (!o->logical) {
      o->x = x;
      o->y = y;
    }
  }
  static void OutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                         std::int32_t height, std::int32_t) {
    auto* o = static_cast<Output*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) && !o->logical) {
      o->width = width;
      o->height = height;
    }
  }
  static void OutputDone(void*, wl_output*) {}
  static void OutputScale(void*, wl_output*, std::int32_t) {}
  static void OutputName(void*, wl_output*, const char*) {}
  static void OutputDescription(void*, wl_output*, const char*) {}
  static constexpr wl_output_listener kOutputListener = {
      OutputGeometry, OutputMode, OutputDone, OutputScale, OutputName, OutputDescription};

  static void XdgPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* o = static_cast<Output*>(data);
    o->logical = true;
    o->x = x;
    o->y = y;
  }
  static void XdgSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* o = static_cast<Output*>(data);
    o->logical = true;
    o->width = width;
    o->height = height;
  }
  static void XdgDone(void*, zxdg_output_v1*) {}
  static void XdgName(void*, zxdg_output_v1*, const char*) {}
  static void XdgDescription(void*, zxdg_output_v1*, const char*) {}
  static constexpr zxdg_output_v1_listener kXdgOutputListener = {XdgPosition, XdgSize, XdgDone,
                                                                 XdgName, XdgDescription};

  // The layout's extent: where the outputs end, right and down.
  std::pair<int, int> Extent() const {
    int width = 0, height = 0;
    for (const auto& o : outputs) {
      width = std::max(width, o->x + o->width);
      height = std::max(height, o->y + o->height);
    }
    return {width, height};
  }

  // --- toplevels -----------------------------------------------------------

  static void ManagerToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                              zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<Impl*>(data);
    auto toplevel = std::make_unique<Toplevel>();
    // Ids count up and are never given to another window: a window that
    // closed is never taken for one that came later.
    toplevel->id = self->next_id++;
    toplevel->handle = handle;
    toplevel->activation_counter = &self->activation_counter;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, toplevel.get());
    self->toplevels[toplevel->id] = std::move(toplevel);
  }
  static void ManagerFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<Impl*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->toplevel_manager = nullptr;
  }
  static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {ManagerToplevel,
                                                                                 ManagerFinished};

  static Toplevel* Of(void* data) { return static_cast<Toplevel*>(data); }
  static void ToplevelTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
    Of(data)->pending_title = title ? title : "";
    Of(data)->has_pending_title = true;
  }
  static void ToplevelAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* app_id) {
    Of(data)->pending_app_id = app_id ? app_id : "";
    Of(data)->has_pending_app_id = true;
  }
  static void ToplevelOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void ToplevelOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void ToplevelState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* state) {
    Toplevel* t = Of(data);
    t->pending_activated = t->pending_minimized = false;
    const auto* values = static_cast<const std::uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(std::uint32_t); ++i) {
      if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) t->pending_activated = true;
      if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) t->pending_minimized = true;
    }
    t->has_pending_state = true;
  }
  static void ToplevelDone(void* data, zwlr_foreign_toplevel_handle_v1*);
  static void ToplevelClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    Toplevel* t = Of(data);
    t->closed = true;
    t->activated = false;
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    t->handle = nullptr;
  }
  static void ToplevelParent(void* data, zwlr_foreign_toplevel_handle_v1*,
                             zwlr_foreign_toplevel_handle_v1* parent) {
    Toplevel* t = Of(data);
    t->parent = 0;
    if (parent) {
      if (auto* p = static_cast<Toplevel*>(zwlr_foreign_toplevel_handle_v1_get_user_data(parent))) {
        t->parent = p->id;
      }
    }
  }
  static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {
      ToplevelTitle, ToplevelAppId, ToplevelOutputEnter, ToplevelOutputLeave,
      ToplevelState, ToplevelDone,  ToplevelClosed,      ToplevelParent};

  Toplevel* Find(WindowHandle id) {
    auto it = toplevels.find(id);
    return it == toplevels.end() ? nullptr : it->second.get();
  }

  Toplevel* Activated() {
    for (auto& [id, t] : toplevels) {
      if (t->ready && !t->closed && t->activated) return t.get();
    }
    return nullptr;
  }

  std::vector<WindowInfo> List() {
    std::vector<const Toplevel*> order;
    for (const auto& [id, t] : toplevels) {
      if (t->ready && !t->closed) order.push_back(t.get());
    }
    // KDE tells the stacking order. The wlroots protocol does not: there the
    // window in front comes first, then the others from the most recently in
    // front, then the newest.
    auto stacked = [&](const Toplevel* t) -> long {
      auto it = std::find(kde_stacking.begin(), kde_stacking.end(), t->uuid);
      return it == kde_stacking.end() ? -1 : it - kde_stacking.begin();
    };
    std::stable_sort(order.begin(), order.end(), [&](const Toplevel* a, const Toplevel* b) {
      if (a->activated != b->activated) return a->activated;
      if (!a->uuid.empty() && !b->uuid.empty() && stacked(a) != stacked(b)) {
        return stacked(a) > stacked(b);
      }
      if (a->activated_order != b->activated_order) return a->activated_order > b->activated_order;
      return a->id > b->id;
    });
    std::vector<WindowInfo> out;
    for (const Toplevel* t : order) {
      WindowInfo info;
      info.handle = t->id;
      info.title = t->title;
      info.visible = true;  // a minimised window counts, as on Windows
      info.own = own_app_ids.count(t->app_id) > 0 || (t->pid != 0 && t->pid == own_pid);
      out.push_back(std::move(info));
    }
    return out;
  }

  // --- KDE Plasma windows ------------------------------------------------
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
  static void PlasmaShowDesktop(void*, org_kde_plasma_window_management*, std::uint32_t) {}
  static void PlasmaWindow(void*, org_kde_plasma_window_management*, std::uint32_t) {}
  static void PlasmaStacking(void*, org_kde_plasma_window_management*, wl_array*) {}
  static void PlasmaStackingUuid(void* data, org_kde_plasma_window_management*, const char* uuids) {
    auto* self = static_cast<Impl*>(data);
    self->kde_stacking.clear();
    std::string_view rest = uuids ? uuids : "";
    while (!rest.empty()) {
      const size_t semi = rest.find(';');
      if (semi != 0) self->kde_stacking.emplace_back(rest.substr(0, semi));
      if (semi == std::string_view::npos) break;
      rest.remove_prefix(semi + 1);
    }
  }
  static void PlasmaWindowWithUuid(void* data, org_kde_plasma_window_management* manager,
                                   std::uint32_t, const char* uuid) {
    auto* self = static_cast<Impl*>(data);
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->id = self->next_id++;
    toplevel->uuid = uuid ? uuid : "";
    toplevel->activation_counter = &self->activation_counter;
    toplevel->kde = org_kde_plasma_window_management_get_window_by_uuid(manager, uuid);
    org_kde_plasma_window_add_listener(toplevel->kde, &kPlasmaWindowListener, toplevel.get());
    self->toplevels[toplevel->id] = std::move(toplevel);
  }
  static constexpr org_kde_plasma_window_management_listener kPlasmaListener = {
      PlasmaShowDesktop, PlasmaWindow, PlasmaStacking, PlasmaStackingUuid, PlasmaWindowWithUuid};

  static void KdeTitle(void* data, org_kde_plasma_window*, const char* title) {
    Of(data)->title = title ? title : "";
  }
  static void KdeAppId(void* data, org_kde_plasma_window*, const char* app_id) {
    Of(data)->app_id = app_id ? app_id : "";
  }
  static void KdeState(void* data, org_kde_plasma_window*, std::uint32_t flags) {
    Toplevel* t = Of(data);
    const bool active = flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
    if (active && !t->activated) t->activated_order = ++*t->activation_counter;
    t->activated = active;
    t->minimized = flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED;
  }
  static void KdeDesktop(void*, org_kde_plasma_window*, std::int32_t) {}
  static void KdeIconName(void*, org_kde_plasma_window*, const char*) {}
  static void KdeUnmapped(void* data, org_kde_plasma_window* window) {
    Toplevel* t = Of(data);
    t->closed = true;
    t->activated = false;
    org_kde_plasma_window_destroy(window);
    t->kde = nullptr;
  }
  static void KdeInitialState(void* data, org_kde_plasma_window*) { Of(data)->ready = true; }
  static void KdeParent(void* data, org_kde_plasma_window*, org_kde_plasma_window* parent) {
    Toplevel* t = Of(data);
    t->parent = 0;
    if (parent) {
      if (auto* p = static_cast<Toplevel*>(org_kde_plasma_window_get_user_data(parent))) {
        t->parent = p->id;
      }
    }
  }
  static void KdeGeometry(void*, org_kde_plasma_window*, std::int32_t, std::int32_t, std::uint32_t,
                          std::uint32_t) {}
  static void KdeIcon(void*, org_kde_plasma_window*) {}
  static void KdePid(void* data, org_kde_plasma_window*, std::uint32_t pid) { Of(data)->pid = pid; }
  static void KdeString(void*, org_kde_plasma_window*, const char*) {}
  static void KdeMenu(void*, org_kde_plasma_window*, const char*, const char*) {}
  static constexpr org_kde_plasma_window_listener kPlasmaWindowListener = {
      KdeTitle,        KdeAppId,  KdeState,    KdeDesktop, KdeIconName, KdeUnmapped,
      KdeInitialState, KdeParent, KdeGeometry, KdeIcon,    KdePid,      KdeString,
      KdeString,       KdeMenu,   KdeString,   KdeString,  KdeString};
#endif

  // --- input devices -------------------------------------------------------

  // The virtual keyboard and pointer, made once and kept for the life of the
  // connection: a keyboard made per action loses keys, and toolkits then miss
  // Ctrl shortcuts.
  void EnsureInput(std::unique_lock<std::mutex>& lock) {
    if (broken || fake_input_ready || (keyboard && (pointer || !pointer_manager))) return;
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
    if (!keyboard_manager && fake_input) {
      // kwin asks nothing of a program its desktop file allows: the
      // authentication only names us.
      org_kde_kwin_fake_input_authenticate(fake_input, "Typelane",
                                           "Enters the rows of a sheet into other programs");
      fake_input_ready = true;
      fake_input_id = wl_proxy_get_id(reinterpret_cast<wl_proxy*>(fake_input));
      Sync(lock);
      return;
    }
#endif
    if (!keyboard && keyboard_manager && keymap) {
      keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboard_manager, seat);
      const std::string& text = keymap->Text();
      const int map_fd = memfd_create("typelane-keymap", MFD_CLOEXEC);
      if (map_fd >= 0) {
        const size_t size = text.size() + 1;  // with its NUL, as xkbcommon wants it
        if (write(map_fd, text.c_str(), size) == static_cast<ssize_t>(size)) {
          zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, map_fd,
                                         static_cast<std::uint32_t>(size));
        }
        close(map_fd);
      }
      key_state = xkb_state_new(keymap->Keymap());
      keyboard_id = wl_proxy_get_id(reinterpret_cast<wl_proxy*>(keyboard));
    }
    if (!pointer && pointer_manager) {
      pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointer_manager, seat);
      pointer_id = wl_proxy_get_id(reinterpret_cast<wl_proxy*>(pointer));
    }
    Sync(lock);
    lock.unlock();
    std::this_thread::sleep_for(kInputSettle);
    lock.lock();
  }

  static std::uint32_t Timestamp() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
  }

  // The modifiers as the keymap's state has them after a key: the compositor
  // hands these to the client along with the key.
  void SendModifiers() {
    const std::uint32_t mods[4] = {
        xkb_state_serialize_mods(key_state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(key_state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(key_state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(key_state, XKB_STATE_LAYOUT_EFFECTIVE)};
    if (std::equal(mods, mods + 4, sent_mods)) return;
    std::copy(mods, mods + 4, sent_mods);
    zwp_virtual_keyboard_v1_modifiers(keyboard, mods[0], mods[1], mods[2], mods[3]);
  }

  // --- clipboard -----------------------------------------------------------

  static void SourceSend(void* data, zwlr_data_control_source_v1* source, const char* mime,
                         std::int32_t fd) {
    auto* self = static_cast<Impl*>(data);
    if (source != self->source) {
      close(fd);
      return;
    }
    const std::string_view type = mime ? mime : "";
    std::string bytes = type == "STRING" ? TextAsLatin1(self->clip_utf8) : self->clip_utf8;
    auto transfer = std::make_shared<Transfer>();
    transfer->asked = Clock::now();
    self->transfers.push_back(transfer);
    self->ReapWriters();
    // The reader may take its time; the dispatch thread must not wait for it.
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread writer([self, fd, bytes = std::move(bytes), transfer, finished] {
      const bool whole = self->WriteAll(fd, bytes) && self->Drained(fd);
      close(fd);
      std::lock_guard lock(self->mutex);
      transfer->written = whole;
      finished->store(true);
      self->changed.notify_all();
    });
    self->writers.emplace_back(std::move(writer), finished);
  }
  // Writes the text to a reader's pipe; true when all of it went. A reader
  // that stops reading is left after a while, and one that closes its end
  // ends the write (EPIPE, not a SIGPIPE for the whole program).
  bool WriteAll(int fd, const std::string& bytes) {
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    size_t done = 0;
    auto last_progress = Clock::now();
    while (done < bytes.size() && !quitting) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        last_progress = Clock::now();
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) break;
      if (Clock::now() - last_progress > kStalledReader) break;
      pollfd out = {fd, POLLOUT, 0};
      poll(&out, 1, 50);
    }
    return done == bytes.size();
  }

  // Waits until the reader has read everything out of the pipe: a text that
  // fits in the pipe is written at once, long before the target reads it.
  // The paste counts as taken once the target holds the whole text.
  bool Drained(int fd) {
    const auto start = Clock::now();
    auto pause = std::chrono::microseconds(50);
    while (!quitting) {
      int queued = 0;
      if (ioctl(fd, FIONREAD, &queued) != 0) return false;
      if (queued == 0) return true;
      if (Clock::now() - start > kStalledReader) return false;
      std::this_thread::sleep_for(pause);
      pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(2));
    }
    return false;
  }

  // Joins the writers that are done.
  void ReapWriters() {
    for (auto it = writers.begin(); it != writers.end();) {
      if (it->second->load()) {
        it->first.join();
        it = writers.erase(it);
      } else {
        ++it;
      }
    }
  }

  static void SourceCancelled(void* data, zwlr_data_control_source_v1* source) {
    auto* self = static_cast<Impl*>(data);
    // Another program took the clipboard; the next text takes it back.
    if (source == self->source) self->source = nullptr;
    zwlr_data_control_source_v1_destroy(source);
  }
  static constexpr zwlr_data_control_source_v1_listener kSourceListener = {SourceSend,
                                                                           SourceCancelled};

  // Offers of other programs' clipboards are of no use to a load: let them go.
  zwlr_data_control_offer_v1* selection_offer = nullptr;
  zwlr_data_control_offer_v1* primary_offer = nullptr;
  static void DeviceDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
  static void ReplaceOffer(zwlr_data_control_offer_v1*& slot, zwlr_data_control_offer_v1* offer) {
    if (slot && slot != offer) zwlr_data_control_offer_v1_destroy(slot);
    slot = offer;
  }
  static void DeviceSelection(void* data, zwlr_data_control_device_v1*,
                              zwlr_data_control_offer_v1* offer) {
    ReplaceOffer(static_cast<Impl*>(data)->selection_offer, offer);
  }
  static void DeviceFinished(void* data, zwlr_data_control_device_v1* device) {
    auto* self = static_cast<Impl*>(data);
    zwlr_data_control_device_v1_destroy(device);
    self->data_device = nullptr;
  }
  static void DevicePrimary(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer) {
    ReplaceOffer(static_cast<Impl*>(data)->primary_offer, offer);
  }
  static constexpr zwlr_data_control_device_v1_listener kDeviceListener = {
      DeviceDataOffer, DeviceSelection, DeviceFinished, DevicePrimary};

  // --- crash release -------------------------------------------------------

  // One request on the wire: object id, size and opcode, then its arguments.
  static void WriteRequest(int fd, std::uint32_t object, std::uint16_t opcode,
                           std::initializer_list<std::uint32_t> args) noexcept {
    std::uint32_t words[8];
    size_t n = 0;
    words[n++] = object;
    words[n++] = static_cast<std::uint32_t>((2 + args.size()) * 4) << 16 | opcode;
    for (std::uint32_t a : args) words[n++] = a;
    const char* p = reinterpret_cast<const char*>(words);
    size_t left = n * 4;
    while (left > 0) {
      const ssize_t w = write(fd, p, left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return;
      p += w;
      left -= static_cast<size_t>(w);
    }
  }

  void ReleaseFromSignal() noexcept {
    if (releasing.test_and_set() || fd < 0) return;
    const std::uint32_t time = Timestamp();
    if (const std::uint32_t kb = keyboard_id.load()) {
      for (size_t kc = 0; kc < keys_down.size(); ++kc) {
        if (!keys_down[kc].load()) continue;
        WriteRequest(fd, kb, ZWP_VIRTUAL_KEYBOARD_V1_KEY,
                     {time, static_cast<std::uint32_t>(kc - 8), 0});
        keys_down[kc].store(false);
      }
      WriteRequest(fd, kb, ZWP_VIRTUAL_KEYBOARD_V1_MODIFIERS, {0, 0, 0, 0});
    }
    if (const std::uint32_t ptr = pointer_id.load()) {
      const std::uint32_t codes[2] = {BTN_LEFT, BTN_RIGHT};
      for (int b = 0; b < 2; ++b) {
        if (!buttons_down[b].load()) continue;
        WriteRequest(fd, ptr, ZWLR_VIRTUAL_POINTER_V1_BUTTON, {time, codes[b], 0});
        WriteRequest(fd, ptr, ZWLR_VIRTUAL_POINTER_V1_FRAME, {});
        buttons_down[b].store(false);
      }
    }
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
    if (const std::uint32_t fake = fake_input_id.load()) {
      for (size_t kc = 8; kc < keys_down.size(); ++kc) {
        if (!keys_down[kc].load()) continue;
        WriteRequest(fd, fake, ORG_KDE_KWIN_FAKE_INPUT_KEYBOARD_KEY,
                     {static_cast<std::uint32_t>(kc - 8), 0});
        keys_down[kc].store(false);
      }
      const std::uint32_t codes[2] = {BTN_LEFT, BTN_RIGHT};
      for (int b = 0; b < 2; ++b) {
        if (!buttons_down[b].load()) continue;
        WriteRequest(fd, fake, ORG_KDE_KWIN_FAKE_INPUT_BUTTON, {codes[b], 0});
        buttons_down[b].store(false);
      }
    }
#endif
    releasing.clear();
  }
};

void WaylandPlatform::Impl::ToplevelDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
  Toplevel* t = Of(data);
  if (t->has_pending_title) t->title = t->pending_title;
  if (t->has_pending_app_id) t->app_id = t->pending_app_id;
  if (t->has_pending_state) {
    if (t->pending_activated && (!t->activated || !t->ready)) {
      t->activated_order = ++*t->activation_counter;
    }
    t->activated = t->pending_activated;
    t->minimized = t->pending_minimized;
  }
  t->has_pending_title = t->has_pending_app_id = t->has_pending_state = false;
  t->ready = true;
}

WaylandPlatform::WaylandPlatform(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

WaylandPlatform::~WaylandPlatform() = default;

std::unique_ptr<WaylandPlatform> WaylandPlatform::Open(std::string* error, Failure* failure) {
  auto fail = [&](Failure kind, const std::string& message) {
    if (error) *error = message;
    if (failure) *failure = kind;
    return nullptr;
  };
  if (failure) *failure = Failure::kNone;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) {
    return fail(Failure::kNoCompositor,
                "There is no Wayland compositor: WAYLAND_DISPLAY is not set.");
  }
  // The load sleeps 50 ms before every cell; the kernel's default timer slack
  // would make each of those late, which a long load adds up.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  auto impl = std::make_unique<Impl>();
  impl->display = wl_display_connect(nullptr);
  if (!impl->display) {
    return fail(Failure::kNoCompositor,
                std::string("Cannot reach the Wayland compositor \"") + name + "\".");
  }
  impl->fd = wl_display_get_fd(impl->display);
  impl->registry = wl_display_get_registry(impl->display);
  wl_registry_add_listener(impl->registry, &Impl::kRegistryListener, impl.get());
  // Globals; then what they tell on binding (toplevels, seat, outputs); then
  // the seat keyboard's keymap.
  for (int i = 0; i < 3; ++i) {
    if (wl_display_roundtrip(impl->display) < 0) {
      return fail(Failure::kBroken, "The Wayland compositor closed the connection.");
    }
    if (i == 0 && impl->xdg_output_manager) {
      for (auto& o : impl->outputs) {
        o->xdg = zxdg_output_manager_v1_get_xdg_output(impl->xdg_output_manager, o->output);
        zxdg_output_v1_add_listener(o->xdg, &Impl::kXdgOutputListener, o.get());
      }
    }
  }
  const bool windows = impl->toplevel_manager || impl->plasma_windows;
  const bool keys = impl->keyboard_manager || impl->fake_input;
  if (!windows || !keys || !impl->seat) {
    return fail(Failure::kNoProtocols, kWaylandNoWindowsText);
  }
  // KDE's fake input types through the compositor's own keymap: no spare
  // keycodes there.
  std::string keymap_error;
  impl->keymap =
      WaylandKeymap::Build(impl->seat_keymap, &keymap_error, impl->keyboard_manager != nullptr);
  if (!impl->keymap) return fail(Failure::kBroken, keymap_error);
  if (impl->data_control) {
    impl->data_device =
        zwlr_data_control_manager_v1_get_data_device(impl->data_control, impl->seat);
    zwlr_data_control_device_v1_add_listener(impl->data_device, &Impl::kDeviceListener, impl.get());
  }
  if (pipe2(impl->wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    return fail(Failure::kBroken, "Cannot start the Wayland connection's thread.");
  }
  wl_display_roundtrip(impl->display);
  impl->dispatcher = std::thread([raw = impl.get()] { raw->DispatchLoop(); });
  return std::unique_ptr<WaylandPlatform>(new WaylandPlatform(std::move(impl)));
}

void WaylandPlatform::SetOwnAppIds(std::vector<std::string> app_ids) {
  std::lock_guard lock(impl_->mutex);
  impl_->own_app_ids = std::set<std::string>(app_ids.begin(), app_ids.end());
}

int WaylandPlatform::SpareKeycodes() const { return impl_->keymap->SpareCount(); }

std::string WaylandPlatform::DesktopName() const {
  return impl_->toplevel_manager || !impl_->plasma_windows ? "Wayland (wlroots)"
                                                           : "Wayland (KDE Plasma)";
}

std::vector<WindowInfo> WaylandPlatform::ListWindows() {
  std::unique_lock lock(impl_->mutex);
  // Whatever the compositor has told by now, in.
  impl_->Sync(lock);
  return impl_->List();
}

WindowHandle WaylandPlatform::FindWindowByTitle(std::string_view title) {
  return MatchWindowTitle(ListWindows(), DecodeText(title));
}

bool WaylandPlatform::ActivateWindow(WindowHandle window) {
  std::unique_lock lock(impl_->mutex);
  Toplevel* t = impl_->Find(window);
  if (!t || t->closed || (!t->handle && !t->kde) || impl_->broken) return false;
  if (t->handle) {
    if (t->minimized) zwlr_foreign_toplevel_handle_v1_unset_minimized(t->handle);
    zwlr_foreign_toplevel_handle_v1_activate(t->handle, impl_->seat);
  }
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
  if (t->kde) {
    org_kde_plasma_window_set_state(t->kde,
                                    ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE |
                                        ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED,
                                    ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
  }
#endif
  impl_->Flush();
  const auto until = Clock::now() + kActivateTimeout;
  while (!(t->activated && !t->closed)) {
    if (t->closed || impl_->broken || StopRequested() || Clock::now() >= until) return false;
    impl_->changed.wait_for(lock, std::chrono::milliseconds(20));
  }
  return true;
}

WindowHandle WaylandPlatform::GetForegroundWindow() {
  std::unique_lock lock(impl_->mutex);
  impl_->Sync(lock);
  Toplevel* t = impl_->Activated();
  return t ? t->id : 0;
}

void WaylandPlatform::SetForegroundWindow(WindowHandle window) {
  if (window != 0) ActivateWindow(window);
}

bool WaylandPlatform::FocusIsWith(WindowHandle target) {
  std::lock_guard lock(impl_->mutex);
  const Toplevel* want = impl_->Find(target);
  const Toplevel* front = impl_->Activated();
  if (!want || want->closed || !front) return false;
  if (front == want) return true;
  // A dialog of the target names it as its parent, perhaps through another
  // dialog.
  const Toplevel* up = front;
  for (int guard = 0; up && up->parent && guard < 16; ++guard) {
    if (up->parent == target) return true;
    up = impl_->Find(up->parent);
  }
  if (want->pid != 0 && front->pid == want->pid) return true;
  return !want->app_id.empty() && front->app_id == want->app_id;
}

std::int16_t WaylandPlatform::VkKeyScan(char c) {
  std::lock_guard lock(impl_->mutex);
  return impl_->keymap->VkKeyScan(c);
}

void WaylandPlatform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  if (virtual_key == 0xFF) return;  // "no key": the layout lacked the character
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.EnsureInput(lock);
  if ((!s.keyboard && !s.fake_input_ready) || s.broken) return;
  const std::uint32_t kc = s.keymap->KeycodeForVk(virtual_key);
  if (kc < 8 || kc >= s.keys_down.size()) return;
  if (!key_up) {
    s.last_key_down = Clock::now();
    // Down in the table before it goes out, up only after: a crash handler
    // releases what may be down.
    s.keys_down[kc].store(true);
  }
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
  if (!s.keyboard) {
    // kwin works the modifiers out itself, from its own keymap.
    org_kde_kwin_fake_input_keyboard_key(
        s.fake_input, kc - 8,
        key_up ? WL_KEYBOARD_KEY_STATE_RELEASED : WL_KEYBOARD_KEY_STATE_PRESSED);
    s.Flush();
    if (key_up) s.keys_down[kc].store(false);
    return;
  }
#endif
  zwp_virtual_keyboard_v1_key(
      s.keyboard, Impl::Timestamp(), kc - 8,
      key_up ? WL_KEYBOARD_KEY_STATE_RELEASED : WL_KEYBOARD_KEY_STATE_PRESSED);
  xkb_state_update_key(s.key_state, kc, key_up ? XKB_KEY_UP : XKB_KEY_DOWN);
  s.SendModifiers();
  s.Flush();
  if (key_up) s.keys_down[kc].store(false);
}

void WaylandPlatform::SetCursorPos(int x, int y) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.EnsureInput(lock);
  if ((!s.pointer && !s.fake_input_ready) || s.broken) return;
  const auto [width, height] = s.Extent();
  if (width <= 0 || height <= 0) return;
  x = std::clamp(x, 0, width - 1);
  y = std::clamp(y, 0, height - 1);
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
  if (!s.pointer) {
    org_kde_kwin_fake_input_pointer_motion_absolute(s.fake_input, wl_fixed_from_int(x),
                                                    wl_fixed_from_int(y));
    s.Flush();
    s.cursor = ScreenPoint{x, y};
    return;
  }
#endif
  zwlr_virtual_pointer_v1_motion_absolute(
      s.pointer, Impl::Timestamp(), static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
      static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
  zwlr_virtual_pointer_v1_frame(s.pointer);
  s.Flush();
  s.cursor = ScreenPoint{x, y};
}

std::optional<ScreenPoint> WaylandPlatform::GetCursorPos() {
  std::lock_guard lock(impl_->mutex);
  return impl_->cursor;
}

void WaylandPlatform::MouseButtonEvent(MouseButton button, bool up, int, int) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.EnsureInput(lock);
  if ((!s.pointer && !s.fake_input_ready) || s.broken) return;
  const int index = button == MouseButton::kLeft ? 0 : 1;
  if (!up) s.buttons_down[index].store(true);
#if defined(TYPELANE_HAVE_KDE_PROTOCOLS)
  if (!s.pointer) {
    org_kde_kwin_fake_input_button(
        s.fake_input, index == 0 ? BTN_LEFT : BTN_RIGHT,
        up ? WL_POINTER_BUTTON_STATE_RELEASED : WL_POINTER_BUTTON_STATE_PRESSED);
    s.Flush();
    if (up) s.buttons_down[index].store(false);
    return;
  }
#endif
  // The button acts where the pointer is; SetCursorPos has put it there.
  zwlr_virtual_pointer_v1_button(
      s.pointer, Impl::Timestamp(), index == 0 ? BTN_LEFT : BTN_RIGHT,
      up ? WL_POINTER_BUTTON_STATE_RELEASED : WL_POINTER_BUTTON_STATE_PRESSED);
  zwlr_virtual_pointer_v1_frame(s.pointer);
  s.Flush();
  if (up) s.buttons_down[index].store(false);
}

void WaylandPlatform::BeginEscapeWatch() {
  std::unique_lock lock(impl_->mutex);
  impl_->EnsureInput(lock);
}

void WaylandPlatform::SetClipboardText(std::string_view text) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  if (!s.data_control || !s.data_device || s.broken) {
    throw PlatformError(
        "The Wayland compositor offers no clipboard to other programs "
        "(zwlr_data_control_manager_v1): data cannot be pasted.");
  }
  if (s.source) zwlr_data_control_source_v1_destroy(s.source);
  s.clip_utf8 = DecodeText(text);
  s.source = zwlr_data_control_manager_v1_create_data_source(s.data_control);
  zwlr_data_control_source_v1_add_listener(s.source, &Impl::kSourceListener, &s);
  for (const char* mime :
       {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT", "STRING"}) {
    zwlr_data_control_source_v1_offer(s.source, mime);
  }
  zwlr_data_control_device_v1_set_selection(s.data_device, s.source);
  // The paste key goes out over this same connection after this: the
  // compositor takes both in order, so no round trip is needed.
  s.transfers.clear();
  s.Flush();
}

bool WaylandPlatform::WaitForPaste(std::int64_t wait_ms) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  // A read asked for before the paste key is not the target's paste (a
  // clipboard manager takes every new text). The paste is taken once the
  // reader has read the whole text.
  auto taken = [&] {
    return std::any_of(s.transfers.begin(), s.transfers.end(),
                       [&](const auto& t) { return t->asked >= s.last_key_down && t->written; });
  };
  const auto until = Clock::now() + std::chrono::milliseconds(std::max<std::int64_t>(wait_ms, 0));
  while (!taken()) {
    if (StopRequested() || s.broken || !s.source) return false;
    const auto now = Clock::now();
    if (now >= until) return false;
    // Woken by the writer; the short step only bounds how late a stop request
    // is seen.
    s.changed.wait_for(lock, std::min<Clock::duration>(until - now, std::chrono::milliseconds(10)));
  }
  return true;
}

void WaylandPlatform::Sleep(std::int64_t ms) {
  if (ms <= 0) return;
  // In short steps, so a stop request ends the wait at once.
  constexpr auto kStep = std::chrono::milliseconds(10);
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!StopRequested()) {
    const auto left = end - Clock::now();
    if (left <= Clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(left, kStep));
  }
}

std::int64_t WaylandPlatform::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

bool WaylandPlatform::WindowExists(WindowHandle window) {
  std::lock_guard lock(impl_->mutex);
  const Toplevel* t = impl_->Find(window);
  return t && !t->closed && !impl_->broken;
}

void WaylandPlatform::ReleaseHeldInputFromSignal() noexcept { impl_->ReleaseFromSignal(); }

std::unique_ptr<Platform> CreateWaylandPlatform(std::string* error, bool* lacks_protocols) {
  WaylandPlatform::Failure failure = WaylandPlatform::Failure::kNone;
  auto platform = WaylandPlatform::Open(error, &failure);
  if (lacks_protocols) *lacks_protocols = failure == WaylandPlatform::Failure::kNoProtocols;
  return platform;
}

}  // namespace typelane
