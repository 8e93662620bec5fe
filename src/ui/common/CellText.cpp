#include "ui/common/CellText.h"

#include <QFile>
#include <array>
#include <cstdint>

#include "core/common/Text.h"

namespace typelane::ui {
namespace {

// Windows-1252 bytes 0x80..0x9F; the undefined ones map to the C1 control.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromWindows1252(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool ToWindows1252(char32_t code, unsigned char& byte) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    byte = static_cast<unsigned char>(code);
    return true;
  }
  for (size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == code) {
      byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char b : bytes) AppendUtf8(out, FromWindows1252(static_cast<unsigned char>(b)));
  return out;
}

bool Utf8ToWindows1252(std::string_view utf8, std::string& out) {
  const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  std::string result;
  result.reserve(utf8.size());
  for (char32_t c : text.toUcs4()) {
    unsigned char byte = 0;
    if (!ToWindows1252(c, byte)) return false;
    result.push_back(static_cast<char>(byte));
  }
  out = std::move(result);
  return true;
}

QString BytesToText(std::string_view bytes) {
  bool ascii = true;
  for (char b : bytes) {
    if (static_cast<unsigned char>(b) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (IsValidUtf8(bytes)) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (char b : bytes) text.append(QChar(FromWindows1252(static_cast<unsigned char>(b))));
  return text;
}

std::string TextToBytes(const QString& text, std::string_view previous) {
  if (BytesToText(previous) == text) return std::string(previous);
  const QByteArray utf8 = text.toUtf8();
  const std::string_view utf8_view(utf8.constData(), static_cast<size_t>(utf8.size()));
  if (!previous.empty() && !IsValidUtf8(previous)) {
    std::string legacy;
    if (Utf8ToWindows1252(utf8_view, legacy)) return legacy;
  }
  return std::string(utf8_view);
}

QString PathToText(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string TextToPath(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace typelane::ui
