#pragma once

#include <span>
#include <string_view>

namespace typelane {

class Document;
class TextOut;

// Turns a recorded Forms playback file into the document's sheet, titles and
// line lists. Messages go through the document's prompter. Throws on a failure
// that must fail the whole open.
void ConvertPlaybackFile(Document& document, std::span<const std::string_view> lines);

// Writes the document back as a playback file that enters every row.
void WritePlaybackFile(Document& document, TextOut& out);

}  // namespace typelane
