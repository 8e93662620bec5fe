#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace typelane::fuzz {

// Each target feeds arbitrary bytes to one reader the way opening a file would,
// then writes the result back. A reader may report the bytes as bad (the
// errors the open flow turns into its message); it must never crash, hang or
// leak. The same functions serve libFuzzer and the mutation test.
void SheetFileTarget(const std::uint8_t* data, std::size_t size);
void TabDelimitedTarget(const std::uint8_t* data, std::size_t size);
void PlaybackTarget(const std::uint8_t* data, std::size_t size);
void CommandTableTarget(const std::uint8_t* data, std::size_t size);
void SettingsTarget(const std::uint8_t* data, std::size_t size);
// Not a file: what another program may leave on the clipboard. The bytes up to
// the first NUL are the text, the rest the grid's comment block.
void ClipboardTarget(const std::uint8_t* data, std::size_t size);

// A folder of its own for files the targets must write (droplists.dat,
// settings), removed at exit.
const std::string& ScratchFolder();

}  // namespace typelane::fuzz
