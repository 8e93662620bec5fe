#pragma once

#include <QFontMetrics>

#include "core/forms/FormsState.h"

namespace typelane::ui {

// Text widths as a widget's font draws them, for the core's column-width rules.
class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(const QFont& font) : metrics_(font) {}
  int Width(std::string_view text) const override;

 private:
  QFontMetrics metrics_;
};

}  // namespace typelane::ui
