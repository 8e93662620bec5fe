#include "platform/recording/StreamTraceSink.h"

#include <ostream>

namespace typelane {

void StreamTraceSink::Line(std::string_view line) {
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  out_.put('\n');
}

}  // namespace typelane
