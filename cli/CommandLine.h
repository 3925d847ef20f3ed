#pragma once

#include <cstdio>
#include <string>
#include <vector>

class Places;

// The command line of `quillmere`: parses the arguments (without the program's name) into a
// command and runs it in the given places. Returns the exit status: 0 success, 1 the command
// failed or was declined, 2 bad usage.
int RunCommandLine(const std::vector<std::string>& args, const Places& places, std::FILE* in,
                   std::FILE* out, std::FILE* err, bool canAsk);

// The --help text.
const char* UsageText();
