#include "transfer/ServerAddress.h"

namespace {

// 1 to 65535 in decimal digits only; 0 otherwise.
int ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

ServerAddress ParseServerAddress(std::string_view text, int defaultPort) {
  text = Trimmed(text);
  ServerAddress address;
  address.port = defaultPort;
  std::string_view host = text;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return address;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return address;
      address.port = ParsePort(rest.substr(1));
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string_view::npos &&
             text.find(':', colon + 1) == std::string_view::npos) {
    host = text.substr(0, colon);
    address.port = ParsePort(text.substr(colon + 1));
  }
  address.host = std::string(host);
  address.valid = !address.host.empty() && address.port > 0;
  return address;
}
