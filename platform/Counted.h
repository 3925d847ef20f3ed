#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// A count with its noun for a status line: "1 folder", "3 folders".
inline std::string Counted(std::size_t n, std::string_view one, std::string_view many) {
  std::string text = std::to_string(n);
  text += ' ';
  text += n == 1 ? one : many;
  return text;
}

}  // namespace platform
