#include "core/common/LineReader.h"

#include <cerrno>
#include <cstring>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"

namespace typelane {

LineReader::LineReader(const std::string& path, size_t chunk_bytes)
    : path_(path),
      in_(PathFromName(path), std::ios::binary),
      chunk_(chunk_bytes == 0 ? 1 : chunk_bytes) {
  if (!in_) throw FileError(path, std::strerror(errno));
}

std::string LineReader::ReadRest() {
  std::string rest = buffer_.substr(pos_);
  buffer_.clear();
  pos_ = 0;
  last_start_ = 0;
  char block[1 << 16];
  while (!at_eof_) {
    in_.read(block, sizeof block);
    const auto got = static_cast<size_t>(in_.gcount());
    if (in_.bad()) throw FileError(path_, errno ? std::strerror(errno) : "Input/output error");
    rest.append(block, got);
    if (got < sizeof block) at_eof_ = true;
  }
  return rest;
}

void LineReader::Fill() {
  // Keep the unread part only, at the front.
  buffer_.erase(0, pos_);
  pos_ = 0;
  const size_t kept = buffer_.size();
  buffer_.resize(kept + chunk_);
  in_.read(buffer_.data() + kept, static_cast<std::streamsize>(chunk_));
  const auto got = static_cast<size_t>(in_.gcount());
  buffer_.resize(kept + got);
  if (in_.bad()) throw FileError(path_, errno ? std::strerror(errno) : "Input/output error");
  if (got < chunk_) at_eof_ = true;
}

bool LineReader::Next(std::string_view& line) {
  size_t scan = pos_;
  while (true) {
    const size_t size = buffer_.size();
    size_t i = scan;
    while (i < size && buffer_[i] != '\r' && buffer_[i] != '\n') ++i;
    // A CR at the very end may be the first half of CR LF: read on to see.
    if (i < size && !(buffer_[i] == '\r' && i + 1 == size && !at_eof_)) {
      size_t next = i + 1;
      if (buffer_[i] == '\r' && next < size && buffer_[next] == '\n') ++next;
      line = std::string_view(buffer_.data() + pos_, i - pos_);
      last_start_ = pos_;
      pos_ = next;
      return true;
    }
    if (at_eof_) {
      if (pos_ >= size) return false;
      // The last line has no line break.
      line = std::string_view(buffer_.data() + pos_, size - pos_);
      last_start_ = pos_;
      pos_ = size;
      return true;
    }
    // Fill moves the unread part to the front: the search goes on where it
    // stopped (at a CR that waits for its LF, or behind the last byte).
    const size_t looked = i - pos_;
    Fill();
    scan = looked;
  }
}

}  // namespace typelane
