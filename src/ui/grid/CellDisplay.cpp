#include "ui/grid/CellDisplay.h"

#include "ui/common/CellText.h"

namespace typelane::ui {

QString ShownCellText(std::string_view bytes) {
  if (bytes.size() <= kShownCellBytes) return BytesToText(bytes);
  // Back off from the cut over UTF-8 continuation bytes (at most three), so a
  // UTF-8 cell is not shown with a broken last character. Only the shown
  // part is ever read: the rest of the cell may be megabytes.
  std::size_t cut = kShownCellBytes;
  for (int i = 0; i < 3 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80; ++i) --cut;
  return BytesToText(bytes.substr(0, cut));
}

}  // namespace typelane::ui
