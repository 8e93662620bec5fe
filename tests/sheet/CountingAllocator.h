#pragma once

namespace typelane::testing {

// Bytes allocated with operator new by this test program so far. The program
// replaces the global operator new so that a test can bound the work of an
// operation by what it allocates, never by time.
unsigned long long AllocatedBytes();

}  // namespace typelane::testing
