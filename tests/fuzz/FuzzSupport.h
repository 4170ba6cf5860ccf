#pragma once
// Shared by the fuzz targets: what a broken invariant does, and how an input is cut into parts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A broken invariant names itself and stops the run, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                     \
  do {                                                                                            \
    if (!(condition)) {                                                                           \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);   \
      std::abort();                                                                               \
    }                                                                                             \
  } while (0)

namespace pt::fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at NUL bytes into at most `parts` pieces (the last one takes the rest); missing
// pieces are empty. Inputs of several parts are written this way by the seed corpus as well.
inline std::vector<std::string_view> Split(std::string_view input, size_t parts) {
  std::vector<std::string_view> out;
  while (out.size() + 1 < parts) {
    const size_t nul = input.find('\0');
    if (nul == std::string_view::npos) break;
    out.push_back(input.substr(0, nul));
    input.remove_prefix(nul + 1);
  }
  out.push_back(input);
  out.resize(parts);
  return out;
}

}  // namespace pt::fuzz
