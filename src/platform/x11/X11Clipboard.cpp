#include "platform/x11/X11Clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/TextEncoding.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/X11Util.h"

namespace typelane {

namespace {

// A text too large for one request goes out in pieces (the INCR protocol).
struct Transfer {
  Window requestor = 0;
  Atom property = 0;
  Atom type = 0;
  std::shared_ptr<const std::string> data;
  size_t offset = 0;
  std::uint64_t generation = 0;
  std::chrono::steady_clock::time_point started;
};

}  // namespace

struct X11Clipboard::Impl {
  Display* display = nullptr;
  Window window = 0;
  int wake_read = -1;
  int wake_write = -1;
  size_t max_chunk = 0;

  Atom clipboard = 0, targets = 0, utf8_string = 0, text = 0, incr = 0, clipboard_manager = 0,
       save_targets = 0;

  std::mutex mutex;
  std::condition_variable changed;
  // Guarded by mutex.
  // What every request is answered with: the formats of the text or offer
  // set last, by name. Empty once another program took the clipboard.
  std::vector<ClipboardOffer::Format> formats;
  // The grid's offer, when the formats are one.
  std::optional<ClipboardOffer> offer;
  std::uint64_t generation = 0;    // of the text set last
  std::uint64_t wanted_owner = 0;  // generation the thread must take ownership for
  std::uint64_t owned = 0;         // generation ownership was taken for
  std::uint64_t refused = 0;       // generation the server refused ownership for
  // Requests answered with the current text: who asked (the requesting
  // window) and when the request came in.
  struct Served {
    Window requestor;
    std::chrono::steady_clock::time_point received;
  };
  std::vector<Served> served;
  bool owning = false;  // we own CLIPBOARD (no SelectionClear since)
  bool quit = false;
  // A caller waits until the thread has seen every event the server made
  // before sync_wanted was raised.
  std::uint64_t sync_wanted = 0;
  std::uint64_t sync_done = 0;

  // Thread only.
  std::vector<Transfer> transfers;
  // The Latin-1 text of an offer, made when first asked for (most readers
  // never ask), and the generation of the offer it was made from.
  std::uint64_t latin1_generation = 0;
  std::shared_ptr<const std::string> latin1;
  std::map<std::string, Atom, std::less<>> atoms;

  Atom AtomOf(const std::string& name) {
    auto it = atoms.find(name);
    if (it == atoms.end())
      it = atoms.emplace(name, XInternAtom(display, name.c_str(), False)).first;
    return it->second;
  }

  void Wake() {
    char c = 1;
    [[maybe_unused]] ssize_t n = write(wake_write, &c, 1);
  }

  void MarkServed(std::uint64_t gen, Window requestor,
                  std::chrono::steady_clock::time_point received) {
    std::lock_guard lock(mutex);
    if (gen == generation && served.size() < 1024) served.push_back({requestor, received});
    changed.notify_all();
  }

  // Answers everything the server has sent. True when a clipboard manager
  // said it has saved our text.
  bool HandleEvents() {
    bool saved = false;
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == SelectionRequest) {
        Answer(event.xselectionrequest);
      } else if (event.type == PropertyNotify) {
        ContinueTransfer(event.xproperty);
      } else if (event.type == SelectionNotify && event.xselection.selection == clipboard_manager) {
        saved = true;
      } else if (event.type == SelectionClear && event.xselectionclear.selection == clipboard) {
        // Another program took the clipboard; the next SetText takes it back
        // and waits until it has. Our text is nobody's now: its memory goes
        // (a transfer under way keeps what it sends).
        std::lock_guard lock(mutex);
        owning = false;
        formats.clear();
        offer.reset();
        latin1.reset();
      }
    }
    return saved;
  }

  // The text vanishes with its owner. A clipboard manager, when one runs, keeps
  // it: ask it to save the text (SAVE_TARGETS) and serve it until it has, for a
  // bounded time.
  void HandOff() {
    {
      std::lock_guard lock(mutex);
      if (!owning || generation == 0) return;
    }
    if (XGetSelectionOwner(display, clipboard_manager) == None) return;
    XConvertSelection(display, clipboard_manager, save_targets, save_targets, window, CurrentTime);
    XFlush(display);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    const int x_fd = ConnectionNumber(display);
    while (!HandleEvents()) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      end - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) return;
      pollfd fd = {x_fd, POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left));
    }
  }

  void TakeOwnership(std::uint64_t gen) {
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    bool already_owner = false;
    {
      std::lock_guard lock(mutex);
      already_owner = owning;
    }
    // Taken again while we own it (clipboard watchers learn of the new text):
    // nobody waits for that, and a loss would come as a SelectionClear, so no
    // round trip to check it while a paste request may be on its way.
    if (already_owner) {
      XFlush(display);
      std::lock_guard lock(mutex);
      owned = gen;
      changed.notify_all();
      return;
    }
    bool ok = XGetSelectionOwner(display, clipboard) == window;
    std::lock_guard lock(mutex);
    if (ok) {
      owned = gen;
      owning = true;
    } else {
      owning = false;
      refused = gen;
    }
    changed.notify_all();
  }

  void Answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    // Obsolete clients leave the property out: the target names it then.
    Atom property = request.property == None ? request.target : request.property;

    const auto received = std::chrono::steady_clock::now();
    bool served_now = false;
    std::uint64_t gen = 0;
    x11::ErrorTrap trap(display);
    if (request.selection == clipboard && request.owner == window) {
      // The formats as they are now (the load may have set a new text since
      // the request was made: the paste key comes after it).
      std::vector<ClipboardOffer::Format> now;
      {
        std::lock_guard lock(mutex);
        now = formats;
        gen = generation;
      }
      std::shared_ptr<const std::string> data;
      bool found = false;
      for (const ClipboardOffer::Format& format : now) {
        if (AtomOf(format.name) != request.target) continue;
        found = true;
        data = format.bytes;
      }
      if (found && !data) {
        // STRING and TEXT of an offer: its UTF-8 text as Latin-1, as Qt gives
        // them ('?' for what Latin-1 lacks).
        if (latin1_generation != gen || !latin1) {
          latin1.reset();
          for (const ClipboardOffer::Format& format : now) {
            if (format.name == "UTF8_STRING" && format.bytes) {
              latin1 = std::make_shared<const std::string>(TextAsLatin1(*format.bytes));
            }
          }
          latin1_generation = gen;
        }
        data = latin1;
      }
      if (request.target == targets) {
        std::vector<long> list = {static_cast<long>(targets)};
        for (const ClipboardOffer::Format& format : now) {
          list.push_back(static_cast<long>(AtomOf(format.name)));
        }
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(list.data()),
                        static_cast<int>(list.size()));
        reply.property = property;
      } else if (data) {
        // TEXT asks the owner to choose: UTF-8 for the load's text, Latin-1
        // for an offer.
        const Atom type = request.target != text ? request.target
                          : data == latin1       ? XA_STRING
                                                 : utf8_string;
        if (data->size() > max_chunk) {
          XSelectInput(display, request.requestor, PropertyChangeMask);
          long size = static_cast<long>(data->size());
          XChangeProperty(display, request.requestor, property, incr, 32, PropModeReplace,
                          reinterpret_cast<unsigned char*>(&size), 1);
          transfers.push_back(
              {request.requestor, property, type, std::move(data), 0, gen, received});
        } else {
          XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(data->data()),
                          static_cast<int>(data->size()));
          served_now = true;
        }
        reply.property = property;
      }
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    // The answer must be with the server before the load thread sends its next
    // key, so the target sees the text first.
    if (trap.Failed()) return;
    if (served_now) MarkServed(gen, request.requestor, received);
  }

  void ContinueTransfer(const XPropertyEvent& event) {
    if (event.state != PropertyDelete) return;
    auto it = std::find_if(transfers.begin(), transfers.end(), [&](const Transfer& t) {
      return t.requestor == event.window && t.property == event.atom;
    });
    if (it == transfers.end()) return;
    size_t chunk = std::min(max_chunk, it->data->size() - it->offset);
    x11::ErrorTrap trap(display);
    XChangeProperty(display, it->requestor, it->property, it->type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(it->data->data() + it->offset),
                    static_cast<int>(chunk));
    it->offset += chunk;
    bool failed = trap.Failed();
    if (chunk == 0 || failed) {
      // The empty piece ends the transfer: the target has everything.
      std::uint64_t gen = it->generation;
      auto started = it->started;
      Window requestor = it->requestor;
      XSelectInput(display, it->requestor, NoEventMask);
      transfers.erase(it);
      if (!failed) MarkServed(gen, requestor, started);
    }
  }
};

X11Clipboard::X11Clipboard(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
  thread_ = std::thread([this] { Run(); });
}

std::unique_ptr<X11Clipboard> X11Clipboard::Start(const char* display_name, std::string* error) {
  x11::InstallErrorHandler();
  auto impl = std::make_unique<Impl>();
  impl->display = x11::OpenDisplay(display_name);
  if (!impl->display) {
    if (error) *error = "The clipboard cannot open the X display.";
    return nullptr;
  }
  Display* d = impl->display;
  int fds[2];
  if (pipe(fds) != 0) {
    x11::CloseDisplay(d);
    if (error) *error = "The clipboard cannot create its wake-up pipe.";
    return nullptr;
  }
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  impl->wake_read = fds[0];
  impl->wake_write = fds[1];
  impl->window = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
  impl->clipboard = XInternAtom(d, "CLIPBOARD", False);
  impl->targets = XInternAtom(d, "TARGETS", False);
  impl->utf8_string = XInternAtom(d, "UTF8_STRING", False);
  impl->text = XInternAtom(d, "TEXT", False);
  impl->atoms = {{"UTF8_STRING", impl->utf8_string}, {"STRING", XA_STRING}, {"TEXT", impl->text}};
  impl->incr = XInternAtom(d, "INCR", False);
  impl->clipboard_manager = XInternAtom(d, "CLIPBOARD_MANAGER", False);
  impl->save_targets = XInternAtom(d, "SAVE_TARGETS", False);
  long max_request = XExtendedMaxRequestSize(d);
  if (max_request == 0) max_request = XMaxRequestSize(d);
  // Requests are counted in 4-byte units; leave room for the request header.
  // Pieces of 1 MiB went fastest (Xvfb, 40 MB to xclip): smaller ones cost
  // round trips, and every larger piece is fresh memory for the X server and
  // the reader to fault in.
  impl->max_chunk = std::min<size_t>(static_cast<size_t>(max_request) * 4 - 256, 1024 * 1024);
  XFlush(d);
  return std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(impl)));
}

X11Clipboard::~X11Clipboard() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->quit = true;
  }
  impl_->Wake();
  thread_.join();
  XDestroyWindow(impl_->display, impl_->window);
  x11::CloseDisplay(impl_->display);
  close(impl_->wake_read);
  close(impl_->wake_write);
}

void X11Clipboard::Run() {
  Impl& s = *impl_;
  const int x_fd = ConnectionNumber(s.display);
  for (;;) {
    s.HandleEvents();
    std::uint64_t take = 0;
    {
      std::lock_guard lock(s.mutex);
      if (s.quit) break;
      if (s.wanted_owner > s.owned && s.wanted_owner > s.refused) take = s.wanted_owner;
    }
    if (take != 0) {
      s.TakeOwnership(take);
      continue;
    }
    std::uint64_t sync = 0;
    {
      std::lock_guard lock(s.mutex);
      if (s.sync_wanted > s.sync_done) sync = s.sync_wanted;
    }
    if (sync != 0) {
      // Every event the server made before now is here after the round trip:
      // a SelectionClear among them ends our ownership before anyone asks.
      XSync(s.display, False);
      s.HandleEvents();
      std::lock_guard lock(s.mutex);
      s.sync_done = sync;
      s.changed.notify_all();
      continue;
    }
    pollfd fds[2] = {{x_fd, POLLIN, 0}, {s.wake_read, POLLIN, 0}};
    poll(fds, 2, -1);
    if (fds[1].revents & POLLIN) {
      char buf[64];
      while (read(s.wake_read, buf, sizeof buf) > 0) {
      }
    }
  }
  s.HandOff();
}

void X11Clipboard::SetText(std::string_view bytes) {
  std::uint64_t gen;
  bool already_owner = false;
  auto utf8 = std::make_shared<const std::string>(DecodeText(bytes));
  auto latin1 = std::make_shared<const std::string>(TextAsLatin1(bytes));
  {
    std::lock_guard lock(impl_->mutex);
    impl_->formats = {{"UTF8_STRING", utf8},
                      {"text/plain;charset=utf-8", utf8},
                      {"STRING", latin1},
                      {"TEXT", utf8}};
    impl_->offer.reset();
    gen = ++impl_->generation;
    impl_->served.clear();
    impl_->wanted_owner = gen;
    already_owner = impl_->owning;
  }
  impl_->Wake();
  // While we own the clipboard every request is answered with the text just
  // set, so there is nothing to wait for: taking it again (which tells
  // clipboard watchers the text changed) happens on the thread meanwhile.
  if (already_owner) return;
  std::unique_lock lock(impl_->mutex);
  bool done = impl_->changed.wait_for(lock, std::chrono::seconds(2),
                                      [&] { return impl_->owned >= gen || impl_->refused >= gen; });
  if (!done || impl_->owned < gen) {
    throw PlatformError("Cannot open clipboard: the X server did not make Typelane its owner.");
  }
}

bool X11Clipboard::SetOffer(const ClipboardOffer& offer) {
  std::uint64_t gen;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->formats = offer.formats;
    // X11 programs that ask for STRING or TEXT get Latin-1, made from the
    // UTF-8 text only when one does.
    if (offer.Bytes("UTF8_STRING") != nullptr) {
      for (const char* name : {"STRING", "TEXT"}) {
        if (offer.Bytes(name) == nullptr) impl_->formats.push_back({name, nullptr});
      }
    }
    impl_->offer = offer;
    gen = ++impl_->generation;
    impl_->served.clear();
    impl_->wanted_owner = gen;
  }
  impl_->Wake();
  std::unique_lock lock(impl_->mutex);
  impl_->changed.wait_for(lock, std::chrono::seconds(2),
                          [&] { return impl_->owned >= gen || impl_->refused >= gen; });
  if (impl_->owned >= gen) return true;
  // Not the owner: nothing is served, and the caller copies another way.
  impl_->formats.clear();
  impl_->offer.reset();
  return false;
}

std::optional<ClipboardOffer> X11Clipboard::CurrentOffer() {
  std::uint64_t ticket;
  {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->offer || !impl_->owning) return std::nullopt;
    ticket = ++impl_->sync_wanted;
  }
  impl_->Wake();
  std::unique_lock lock(impl_->mutex);
  if (!impl_->changed.wait_for(lock, std::chrono::seconds(2),
                               [&] { return impl_->sync_done >= ticket; })) {
    return std::nullopt;
  }
  if (!impl_->offer || !impl_->owning) return std::nullopt;
  return impl_->offer;
}

bool X11Clipboard::WaitForPaste(const PasteWait& wait) {
  auto fetched = [&](bool any_client) {
    for (const auto& r : impl_->served) {
      if (r.received < wait.since) continue;
      if (any_client || wait.target_client == 0 ||
          (r.requestor & ~wait.client_mask) == wait.target_client) {
        return true;
      }
    }
    return false;
  };
  // The target may fetch over a connection of its own (Wine does): after the
  // grace time any client's request will do.
  const auto any_from = wait.since + std::chrono::milliseconds(wait.grace_ms);
  // A stop request comes from a signal handler, which cannot wake a condition
  // variable: look at it every few milliseconds.
  constexpr auto kStep = std::chrono::milliseconds(10);
  std::unique_lock lock(impl_->mutex);
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (fetched(now >= any_from)) return true;
    if (now >= wait.until || (wait.stop && wait.stop())) return false;
    auto next = std::min(wait.until, now + kStep);
    if (now < any_from) next = std::min(next, any_from);
    impl_->changed.wait_until(lock, next);
  }
}

}  // namespace typelane
