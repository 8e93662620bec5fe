#pragma once

#include "core/load/FieldReader.h"

namespace typelane {

// Reads the focused field of a target through MSAA (oleacc): the control that
// has the keyboard focus in the target's thread (GetGUIThreadInfo), its
// accessible object (AccessibleObjectFromWindow, OBJID_CLIENT) and its value
// (get_accValue). A standard Edit control also gives its caret (EM_GETSEL) and
// whether it has several lines (ES_MULTILINE). COM is started and ended
// around each call, on whichever thread makes it.
class MsaaFieldReader final : public FieldReader {
 public:
  bool CanRead(const FieldTarget& target) override;
  std::optional<FieldText> ReadFocusedField(const FieldTarget& target) override;
};

}  // namespace typelane
