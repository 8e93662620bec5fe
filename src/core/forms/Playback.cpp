#include "core/forms/Playback.h"

#include "core/common/FileText.h"
#include "core/files/Document.h"

namespace typelane {

void ConvertPlaybackFile(Document& document, std::span<const std::string_view> lines) {
  (void)document;
  (void)lines;
}

void WritePlaybackFile(Document& document, TextOut& out) {
  (void)document;
  (void)out;
}

}  // namespace typelane
