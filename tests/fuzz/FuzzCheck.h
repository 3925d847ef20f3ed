#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzzcheck {

// A broken property ends the run with a message, so libFuzzer keeps the input that did it.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

inline void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

}  // namespace fuzzcheck
