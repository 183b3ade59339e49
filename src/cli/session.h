#pragma once
// What one run of the command line works with: the parsed arguments, the program folder, the
// Form as the window has it after start-up, and the console Host.
#include <cstdint>
#include <ostream>

#include "cli/arguments.h"
#include "cli/console_host.h"
#include "config/program_folder.h"
#include "form/form.h"

namespace vesk::cli {

struct Session {
    const Invocation& invocation;
    ProgramFolder folder;
    Form form;
    ConsoleHost host;
    std::ostream& out;
    // The exit status of a command that is done but reports a finding (vesk check), 0 otherwise.
    int status = 0;

    const std::string& Operand(std::size_t i) const { return invocation.operands[i]; }
};

// The commands. Each returns when it is done; failures and refusals travel as exceptions to
// RunCli, the one place that reports them.
void RunLists(Session& session);
void RunFiles(Session& session);
void RunUnpack(Session& session);
void RunBlank(Session& session);
void RunFormat(Session& session);
void RunBuild(Session& session);
void RunInfo(Session& session);
void RunConvert(Session& session);
void RunThumbnail(Session& session);
// inspect_commands.cpp: the map, the check, list history and recovery.
void RunMap(Session& session);
void RunCheck(Session& session);
void RunDiff(Session& session);
void RunRecover(Session& session);
void RunRepack(Session& session);
// entry_commands.cpp: one file of a dump's list, in memory.
void RunCat(Session& session);
void RunEntryInfo(Session& session);

// The list that files, unpack and repack read: --list, else the one the scan selects. Returns its
// position, which ListAddressEdit holds as text.
std::int64_t ChooseList(Session& session);

}  // namespace vesk::cli
