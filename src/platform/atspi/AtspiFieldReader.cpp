#include "platform/atspi/AtspiFieldReader.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/load/Platform.h"
#include "platform/fields/DesktopFieldReader.h"

namespace typelane {
namespace {

// A target that stopped answering must not hold a read for the bus's usual
// 25 s: a read then finds nothing and the verify wait goes on. A busy
// machine can keep a healthy target a few hundred milliseconds.
constexpr int kCallTimeoutMs = 1000;
// A walk for the focused object gives up past this many objects: a window
// with a huge table is not walked cell by cell.
constexpr int kMaxWalk = 4000;

// Frees what libatspi hands out when the scope ends.
struct GErrorScope {
  GError* error = nullptr;
  ~GErrorScope() {
    if (error) g_error_free(error);
  }
  GError** operator&() {
    if (error) g_clear_error(&error);
    return &error;
  }
};

std::string TakeString(gchar* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

bool HasState(AtspiAccessible* object, AtspiStateType state) {
  AtspiStateSet* states = atspi_accessible_get_state_set(object);
  if (!states) return false;
  const bool has = atspi_state_set_contains(states, state);
  g_object_unref(states);
  return has;
}

bool IsTopLevelRole(AtspiRole role) {
  return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_DIALOG || role == ATSPI_ROLE_WINDOW ||
         role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
}

// The focused object under node, depth first through what is shown.
AtspiAccessible* FocusedUnder(AtspiAccessible* node, int& budget) {
  if (--budget < 0) return nullptr;
  AtspiStateSet* states = atspi_accessible_get_state_set(node);
  if (!states) return nullptr;
  const bool focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
  const bool showing = atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
  const bool manages = atspi_state_set_contains(states, ATSPI_STATE_MANAGES_DESCENDANTS);
  g_object_unref(states);
  if (focused) return static_cast<AtspiAccessible*>(g_object_ref(node));
  // Hidden parts hold no focus; a table's cells come and go by the thousand
  // and are no fields a paste goes into.
  if (!showing || manages) return nullptr;
  GErrorScope error;
  const gint count = atspi_accessible_get_child_count(node, &error);
  for (gint i = 0; i < count && budget >= 0; ++i) {
    AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, &error);
    if (!child) continue;
    AtspiAccessible* found = FocusedUnder(child, budget);
    g_object_unref(child);
    if (found) return found;
  }
  return nullptr;
}

// One call to the session bus's org.a11y.Bus object (the bus launcher), whose
// org.a11y.Status IsEnabled property tells and sets whether programs show
// themselves on the accessibility bus.
class StatusCall {
 public:
  StatusCall() {
    // Without a session bus libdbus would start one of its own (autolaunch):
    // nothing is switched where there is nothing to switch.
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return;
    DBusError error;
    dbus_error_init(&error);
    connection_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    dbus_error_free(&error);
    if (connection_) dbus_connection_set_exit_on_disconnect(connection_, FALSE);
  }
  ~StatusCall() {
    if (connection_) {
      dbus_connection_close(connection_);
      dbus_connection_unref(connection_);
    }
  }
  std::optional<bool> Get() {
    if (!connection_) return std::nullopt;
    DBusMessage* call = NewCall("Get");
    const char* interface = "org.a11y.Status";
    const char* property = "IsEnabled";
    dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    DBusMessage* reply = Send(call);
    if (!reply) return std::nullopt;
    std::optional<bool> enabled;
    DBusMessageIter iter, variant;
    if (dbus_message_iter_init(reply, &iter) &&
        dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
      dbus_message_iter_recurse(&iter, &variant);
      if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_BOOLEAN) {
        dbus_bool_t value = FALSE;
        dbus_message_iter_get_basic(&variant, &value);
        enabled = value != FALSE;
      }
    }
    dbus_message_unref(reply);
    return enabled;
  }
  bool Enable() {
    if (!connection_) return false;
    DBusMessage* call = NewCall("Set");
    const char* interface = "org.a11y.Status";
    const char* property = "IsEnabled";
    DBusMessageIter iter, variant;
    dbus_message_iter_init_append(call, &iter);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &interface);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &property);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING,
                                     &variant);
    const dbus_bool_t on = TRUE;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &on);
    dbus_message_iter_close_container(&iter, &variant);
    DBusMessage* reply = Send(call);
    if (!reply) return false;
    dbus_message_unref(reply);
    return Get().value_or(false);
  }

 private:
  static DBusMessage* NewCall(const char* method) {
    return dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus",
                                        "org.freedesktop.DBus.Properties", method);
  }
  DBusMessage* Send(DBusMessage* call) {
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection_, call, 2000, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    return reply;
  }

  DBusConnection* connection_ = nullptr;
};

}  // namespace

AtspiFieldReader::~AtspiFieldReader() {
  const std::lock_guard lock(mutex_);
  Forget();
  if (listener_) {
    atspi_event_listener_deregister(listener_, "object:state-changed:focused", nullptr);
    g_object_unref(listener_);
  }
  if (event_focus_) g_object_unref(event_focus_);
  // libatspi keeps its connection for the process (atspi_exit would take it
  // from under another user of the library); only our context goes.
  if (context_) g_main_context_unref(context_);
}

void AtspiFieldReader::Forget() {
  if (focused_) g_object_unref(focused_);
  if (program_) g_object_unref(program_);
  focused_ = program_ = nullptr;
  program_title_.clear();
}

bool AtspiFieldReader::Connect() {
  if (tried_) return connected_;
  tried_ = true;
  // Without a session bus libatspi has nothing to talk to: it would complain
  // on the standard error, or have libdbus start a bus of its own.
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") && !std::getenv("AT_SPI_BUS_ADDRESS")) {
    return false;
  }
  if (atspi_init() > 1) return false;
  context_ = g_main_context_new();
  atspi_set_main_context(context_);
  atspi_set_timeout(kCallTimeoutMs, -1);
  listener_ = atspi_event_listener_new(&AtspiFieldReader::OnFocus, this, nullptr);
  GErrorScope error;
  if (!listener_ ||
      !atspi_event_listener_register(listener_, "object:state-changed:focused", &error)) {
    return false;
  }
  connected_ = true;
  return true;
}

// Called inside libatspi's dispatch (on the thread of a reader's call, under
// its lock): only keeps the object, never calls the bus.
void AtspiFieldReader::OnFocus(AtspiEvent* event, void* self) {
  auto* reader = static_cast<AtspiFieldReader*>(self);
  if (event->detail1 != 0 && event->source) {
    if (reader->event_focus_) g_object_unref(reader->event_focus_);
    reader->event_focus_ = static_cast<AtspiAccessible*>(g_object_ref(event->source));
  }
  g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiFieldReader::Drain() {
  while (g_main_context_iteration(context_, FALSE)) {
  }
}

AtspiAccessible* AtspiFieldReader::FindProgram(const std::string& title) {
  AtspiAccessible* desktop = atspi_get_desktop(0);
  if (!desktop) return nullptr;
  GErrorScope error;
  AtspiAccessible* program = nullptr;
  const gint programs = atspi_accessible_get_child_count(desktop, &error);
  for (gint i = 0; i < programs && !program; ++i) {
    AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, &error);
    if (!app) continue;
    // Never this program itself: a load never types into it, and a call to
    // it from its own window's thread would wait for itself until it timed out.
    if (atspi_accessible_get_process_id(app, &error) == static_cast<guint>(getpid())) {
      g_object_unref(app);
      continue;
    }
    const gint windows = atspi_accessible_get_child_count(app, &error);
    for (gint w = 0; w < windows && !program; ++w) {
      AtspiAccessible* window = atspi_accessible_get_child_at_index(app, w, &error);
      if (!window) continue;
      const AtspiRole role = atspi_accessible_get_role(window, &error);
      if (IsTopLevelRole(role) &&
          SeenTitle(TakeString(atspi_accessible_get_name(window, &error))) == title) {
        program = static_cast<AtspiAccessible*>(g_object_ref(app));
      }
      g_object_unref(window);
    }
    g_object_unref(app);
  }
  g_object_unref(desktop);
  return program;
}

bool AtspiFieldReader::HoldProgram(const FieldTarget& target) {
  if (!Connect()) return false;
  Drain();
  const std::string title = SeenTitle(target.title);
  if (program_ && program_title_ == title) return true;
  Forget();
  program_ = FindProgram(title);
  if (program_) program_title_ = title;
  return program_ != nullptr;
}

bool AtspiFieldReader::CanRead(const FieldTarget& target) {
  const std::lock_guard lock(mutex_);
  // Asked afresh: the program may have come onto the bus since.
  Forget();
  return HoldProgram(target);
}

AtspiAccessible* AtspiFieldReader::FindFocused() {
  GErrorScope error;
  // What the focus events named last, when it is the target program's and
  // still has the focus: no walk.
  if (event_focus_ && event_focus_ != focused_) {
    AtspiAccessible* program = atspi_accessible_get_application(event_focus_, &error);
    if (program == program_) {
      if (focused_) g_object_unref(focused_);
      focused_ = static_cast<AtspiAccessible*>(g_object_ref(event_focus_));
    }
    if (program) g_object_unref(program);
  }
  if (focused_ && HasState(focused_, ATSPI_STATE_FOCUSED)) return focused_;
  if (focused_) g_object_unref(focused_);
  focused_ = nullptr;
  const gint windows = atspi_accessible_get_child_count(program_, &error);
  int budget = kMaxWalk;
  // The active window first: the program's focus is in it.
  std::vector<AtspiAccessible*> others;
  for (gint w = 0; w < windows && !focused_; ++w) {
    AtspiAccessible* window = atspi_accessible_get_child_at_index(program_, w, &error);
    if (!window) continue;
    if (HasState(window, ATSPI_STATE_ACTIVE)) {
      focused_ = FocusedUnder(window, budget);
      g_object_unref(window);
    } else {
      others.push_back(window);
    }
  }
  for (AtspiAccessible* window : others) {
    if (!focused_) focused_ = FocusedUnder(window, budget);
    g_object_unref(window);
  }
  return focused_;
}

std::optional<FieldText> AtspiFieldReader::ReadFocusedField(const FieldTarget& target) {
  const std::lock_guard lock(mutex_);
  if (!HoldProgram(target)) return std::nullopt;
  AtspiAccessible* field = FindFocused();
  if (!field) return std::nullopt;
  AtspiText* text = atspi_accessible_get_text_iface(field);
  if (!text) return std::nullopt;
  GErrorScope error;
  FieldText read;
  const gint count = atspi_text_get_character_count(text, &error);
  if (error.error) {
    g_object_unref(text);
    return std::nullopt;
  }
  read.text = TakeString(atspi_text_get_text(text, 0, count, &error));
  // A call that failed (the target did not answer in time) read nothing: an
  // empty text here would pass for what the field holds.
  const bool text_read = error.error == nullptr;
  const gint caret = atspi_text_get_caret_offset(text, &error);
  g_object_unref(text);
  if (!text_read) return std::nullopt;
  if (caret >= 0 && caret <= g_utf8_strlen(read.text.c_str(), -1) &&
      g_utf8_validate(read.text.c_str(), -1, nullptr)) {
    // AT-SPI counts characters; the comparison counts bytes.
    read.caret =
        static_cast<int>(g_utf8_offset_to_pointer(read.text.c_str(), caret) - read.text.c_str());
  }
  read.multi_line = HasState(field, ATSPI_STATE_MULTI_LINE);
  return read;
}

std::unique_ptr<FieldReader> MakeDesktopFieldReader() {
  return std::make_unique<AtspiFieldReader>();
}

Accessibility DesktopAccessibility() {
  const std::optional<bool> enabled = StatusCall().Get();
  if (!enabled) return Accessibility::kUnknown;
  return *enabled ? Accessibility::kOn : Accessibility::kOff;
}

bool SwitchOnAccessibility() { return StatusCall().Enable(); }

std::string HowToSwitchOnAccessibility() {
  return "gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method "
         "org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>'";
}

}  // namespace typelane
