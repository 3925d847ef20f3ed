#pragma once

#include <string>
#include <string_view>

// Standard base64 (RFC 4648 alphabet), padded with "=" to a multiple of four characters, on one
// line. Every byte of the input counts, NUL bytes included.
std::string EncodeBase64(std::string_view bytes);
