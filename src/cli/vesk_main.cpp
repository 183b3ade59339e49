// vesk: the window's commands from the command line.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/file_output.h"

int main(int argc, char** argv) {
    vesk::RemoveTemporariesOnSignals();  // stopped by Ctrl+C, no half file stays behind
    std::vector<std::string> args(argv + 1, argv + argc);
    return vesk::RunCli(std::move(args), std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
