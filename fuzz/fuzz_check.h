// A check that holds in every fuzz target: when it fails, says which and where, then
// aborts so that libFuzzer records the input as a finding.
#ifndef TINTSHIFT_FUZZ_FUZZ_CHECK_H
#define TINTSHIFT_FUZZ_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                     \
  do {                                                                            \
    if (!(condition)) {                                                           \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,       \
                   #condition);                                                   \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

#endif
