#pragma once

#include <cstdio>
#include <string>

namespace testsupport {

// Runs a shell command and returns what it wrote to its standard output.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

}  // namespace testsupport
