#pragma once

#include <string>
#include <string_view>

// A server address as the settings sheet takes it: "host", "host:port" or "[v6 address]:port"
// (a bare IPv6 address has no port). Without a port, the way's own port is used.
struct ServerAddress {
  std::string host;
  int port = 0;
  bool valid = false;  // false for an empty host, or a port that is not 1 to 65535
};

ServerAddress ParseServerAddress(std::string_view text, int defaultPort);
