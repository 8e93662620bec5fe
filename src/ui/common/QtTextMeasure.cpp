#include "ui/common/QtTextMeasure.h"

#include "ui/common/CellText.h"

namespace typelane::ui {

int QtTextMeasure::Width(std::string_view text) const {
  return metrics_.horizontalAdvance(BytesToText(text));
}

}  // namespace typelane::ui
