// libFuzzer entry point, built only with clang (TYPELANE_FUZZ_TARGET picks the reader).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TYPELANE_FUZZ_TARGET(data, size);
  return 0;
}
