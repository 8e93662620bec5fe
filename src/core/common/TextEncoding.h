#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace typelane {

// Cells hold bytes exactly as their file had them. Where bytes must become
// characters (the grid, the clipboard, window titles, letter case) they are read
// as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise; text the
// user types goes back into bytes in the encoding the document came in, so a
// cell nobody edited keeps its bytes and an edited one never loses a character.

enum class TextEncoding { kUtf8, kWindows1252 };

// The character a Windows-1252 byte stands for. The five bytes 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the C1 control of the same
// number, as Windows' own conversion does.
std::uint32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a character, if 1252 has one.
std::optional<unsigned char> CodePointToCp1252(std::uint32_t code);

// Appends a character as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);

// Walks the characters of cell bytes: UTF-8 when utf8 is set (the bytes must be
// valid UTF-8, see IsValidUtf8), Windows-1252 otherwise.
class CodePointReader {
 public:
  explicit CodePointReader(std::string_view bytes);
  CodePointReader(std::string_view bytes, bool utf8) : bytes_(bytes), utf8_(utf8) {}
  bool Done() const { return pos_ >= bytes_.size(); }
  std::uint32_t Next();

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
  bool utf8_;
};

// Cell bytes as the text to show (UTF-8): valid UTF-8 stays as it is, anything
// else is read as Windows-1252.
std::string DecodeText(std::string_view bytes);

// Which encoding bytes are in: Windows-1252 when they are not valid UTF-8,
// UTF-8 when they are and hold a non-ASCII character, nothing for plain ASCII
// (which reads the same either way).
std::optional<TextEncoding> EncodingOf(std::string_view bytes);

// The bytes to store for text the user typed (UTF-8). For Windows-1252 the
// text is encoded in 1252 when every character has a 1252 byte and the bytes
// read back as the same text (1252 bytes that happen to be valid UTF-8, such as
// "Ã©", would not); otherwise it stays UTF-8. Text that is not valid UTF-8 is
// stored as it is.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// The encoding an edit of a cell is stored in: the cell's own when its bytes
// show one, else the document's.
TextEncoding EncodingForEdit(std::string_view old_bytes, TextEncoding document);

}  // namespace typelane
