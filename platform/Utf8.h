#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Appends the code point as UTF-8 (1 to 4 bytes). The caller passes only what it decoded or
// checked: code points above 0x10FFFF are not looked for.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

}  // namespace platform
