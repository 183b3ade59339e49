// Compiled by the tests, not linked: a row of the command table written without its runner must
// not compile (the row with one, WITH_RUNNER, must), so a command cannot be added that nothing runs.
#include "cli/arguments.h"

namespace {

void RunNothing(vesk::cli::Session&) {}

#ifdef WITH_RUNNER
constexpr vesk::cli::CommandSpec kRow{"new", RunNothing, "DUMP", 0, 1, 1, "a new command", ""};
#else
constexpr vesk::cli::CommandSpec kRow{"new", "DUMP", 0, 1, 1, "a new command", ""};
#endif

}  // namespace

int main() { return kRow.name.empty() || !&RunNothing; }
