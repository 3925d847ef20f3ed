// quillmere: the program's commands on the command line.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ConsoleOwner.h"
#include "commands/Places.h"

int main(int argc, char** argv) {
  ConsoleOwner::CatchInterrupts();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunCommandLine(args, Places::ForUser(), stdin, stdout, stderr, ::isatty(0) == 1);
}
