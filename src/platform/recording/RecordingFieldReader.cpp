#include "platform/recording/RecordingFieldReader.h"

#include "platform/recording/RecordingPlatform.h"

namespace typelane {

bool RecordingFieldReader::CanRead(const FieldTarget& target) {
  asked_.push_back(target);
  return readable_;
}

std::optional<FieldText> RecordingFieldReader::ReadFocusedField(const FieldTarget& /*target*/) {
  ++reads_;
  if (!readable_ || no_text_field_) return std::nullopt;
  const std::string& clip = desktop_.ClipboardText();
  if (clip != seen_clip_) {
    seen_clip_ = clip;
    reads_since_paste_ = 0;
  }
  // Each paste goes into a fresh field (the Tab moved on): until it shows,
  // the field reads as what it held before, nothing.
  if (++reads_since_paste_ >= show_at_read_) {
    shown_ = rule_ ? rule_(clip) : clip;
  } else {
    shown_.clear();
  }
  FieldText field;
  field.text = shown_;
  field.caret = static_cast<int>(shown_.size());
  return field;
}

}  // namespace typelane
