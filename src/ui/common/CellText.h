#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace typelane::ui {

// Cells, titles and the toolbar values hold the file's bytes. On screen they
// become characters: bytes that are valid UTF-8 are read as UTF-8, anything
// else as Windows-1252 (every byte maps to one character, so nothing is lost).
QString BytesToText(std::string_view bytes);

// The bytes to store for text typed where `previous` was. Unchanged text gives
// `previous` back byte for byte; an edit is written in the encoding the old
// text came in (Windows-1252 when it was not UTF-8 and every character fits),
// otherwise as UTF-8.
std::string TextToBytes(const QString& text, std::string_view previous = {});

// Windows-1252 <-> UTF-8 over std::string. The five bytes Windows-1252 leaves
// undefined map to the C1 controls of the same number, so a round trip keeps
// every byte.
std::string Windows1252ToUtf8(std::string_view bytes);
// False (and out unchanged) when a character has no Windows-1252 byte.
bool Utf8ToWindows1252(std::string_view utf8, std::string& out);

// A file path from the file system's bytes and back (QFile's own rules).
QString PathToText(std::string_view path);
std::string TextToPath(const QString& path);

}  // namespace typelane::ui
