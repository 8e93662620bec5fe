#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "core/load/FieldReader.h"

// libatspi's types, without its headers (GLib) in ours.
typedef struct _AtspiAccessible AtspiAccessible;
typedef struct _AtspiEvent AtspiEvent;
typedef struct _AtspiEventListener AtspiEventListener;
typedef struct _GMainContext GMainContext;

namespace typelane {

// Reads the focused field of a target through AT-SPI (libatspi, over the
// session's accessibility bus). The target's program is the one on the bus
// with a top-level window of the target's title; its focused text field is
// the object focus events last named, or else the one a walk of that
// program's shown windows finds. Connects on first use; the calls of both
// threads (the load's, the user interface's) are serialised here.
//
// libatspi keeps the objects' states in its cache, kept fresh by the events
// it hears; a program only sends focus events while somebody listens, so the
// reader listens. (Reading every state afresh instead deadlocks libatspi: its
// own event handlers then call the bus from inside a dispatch.)
//
// libatspi is driven on a main context of its own, which only this object
// iterates: the GUI thread's GLib loop (Qt's event dispatcher) never runs its
// handlers, and the bus's signals are drained at each read instead of piling
// up over a long load.
class AtspiFieldReader final : public FieldReader {
 public:
  AtspiFieldReader() = default;
  ~AtspiFieldReader() override;
  AtspiFieldReader(const AtspiFieldReader&) = delete;
  AtspiFieldReader& operator=(const AtspiFieldReader&) = delete;

  bool CanRead(const FieldTarget& target) override;
  std::optional<FieldText> ReadFocusedField(const FieldTarget& target) override;

 private:
  bool Connect();
  // The program on the bus with a top-level window titled title (a new
  // reference), or null.
  AtspiAccessible* FindProgram(const std::string& title);
  // Keeps program_ to the target's program; false when it is not on the bus.
  bool HoldProgram(const FieldTarget& target);
  AtspiAccessible* FindFocused();
  void Drain();
  void Forget();
  static void OnFocus(AtspiEvent* event, void* self);

  std::mutex mutex_;
  bool tried_ = false;
  bool connected_ = false;
  GMainContext* context_ = nullptr;
  std::string program_title_;
  AtspiAccessible* program_ = nullptr;
  AtspiAccessible* focused_ = nullptr;
  AtspiEventListener* listener_ = nullptr;
  // The object the last focus event named (any program's), or null.
  AtspiAccessible* event_focus_ = nullptr;
};

}  // namespace typelane
