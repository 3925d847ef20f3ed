#pragma once

#include <optional>
#include <string>
#include <string_view>

// Standard base64 (RFC 4648 alphabet), padded with "=" to a multiple of four characters, on one
// line. Every byte of the input counts, NUL bytes included.
std::string EncodeBase64(std::string_view bytes);
// The same in lines of at most 76 characters, each ending in CR LF, as mail bodies carry it.
std::string EncodeBase64Lines(std::string_view bytes);
// The bytes of base64 text; line ends (CR, LF) between the characters are passed over. None when
// anything else is not base64 or the padding is wrong.
std::optional<std::string> DecodeBase64(std::string_view text);
