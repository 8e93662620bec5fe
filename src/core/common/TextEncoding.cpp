#include "core/common/TextEncoding.h"

#include <array>

#include "core/common/Text.h"

namespace typelane {
namespace {

// Windows-1252 bytes 0x80-0x9F as Unicode.
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::uint32_t Cp1252ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kCp1252High[byte - 0x80];
  return byte;
}

std::optional<unsigned char> CodePointToCp1252(std::uint32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<unsigned char>(code);
  for (size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == code) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

CodePointReader::CodePointReader(std::string_view bytes)
    : bytes_(bytes), utf8_(IsValidUtf8(bytes)) {}

std::uint32_t CodePointReader::Next() {
  const unsigned char c = static_cast<unsigned char>(bytes_[pos_]);
  if (!utf8_ || c < 0x80) {
    ++pos_;
    return utf8_ ? c : Cp1252ToCodePoint(c);
  }
  // Valid UTF-8: the lead byte says how many continuation bytes follow.
  const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  std::uint32_t code = c & (0x3F >> extra);
  for (int k = 1; k <= extra && pos_ + k < bytes_.size(); ++k) {
    code = (code << 6) | (static_cast<unsigned char>(bytes_[pos_ + k]) & 0x3F);
  }
  pos_ += static_cast<size_t>(extra) + 1;
  return code;
}

std::string DecodeText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::optional<TextEncoding> EncodingOf(std::string_view bytes) {
  if (IsAscii(bytes)) return std::nullopt;
  return IsValidUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kWindows1252;
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8 || IsAscii(utf8) || !IsValidUtf8(utf8)) {
    return std::string(utf8);
  }
  std::string out;
  out.reserve(utf8.size());
  CodePointReader reader(utf8, true);
  while (!reader.Done()) {
    const std::optional<unsigned char> byte = CodePointToCp1252(reader.Next());
    if (!byte) return std::string(utf8);
    out.push_back(static_cast<char>(*byte));
  }
  // Non-ASCII 1252 bytes that form valid UTF-8 would be read back as other
  // characters: such a text keeps UTF-8.
  if (IsValidUtf8(out)) return std::string(utf8);
  return out;
}

TextEncoding EncodingForEdit(std::string_view old_bytes, TextEncoding document) {
  return EncodingOf(old_bytes).value_or(document);
}

}  // namespace typelane
