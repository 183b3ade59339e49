#pragma once
// The command-line companion: the window's commands run on a Form of their own, with a console
// Host. Message boxes become lines on `err`, listings go to `out`.
#include <ostream>
#include <string>
#include <vector>

namespace vesk {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the window would have ended the command with an error
inline constexpr int kExitUsage = 2;   // bad usage: the usage line goes to err

// args: the arguments after the program name. progress: show progress on err (main passes
// whether standard error is a terminal).
int RunCli(std::vector<std::string> args, std::ostream& out, std::ostream& err, bool progress = false);

}  // namespace vesk
