// The entry point of the command line: parse, prepare the Form as the window's start-up leaves
// it, run one command, and turn its outcome into an exit status.
#include <cerrno>
#include <exception>
#include <optional>
#include <string_view>

#include "cli/cli.h"
#include "cli/session.h"
#include "base/error.h"
#include "config/settings.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

using namespace cli;

// The Form as the window's start-up leaves it.
void PrepareForm(Session& session) {
    Form& form = session.form;
    InitGrids(form);
    const Invocation& inv = session.invocation;
    form.FirmwareCombo = inv.firmware ? *inv.firmware : StartupFirmware(Settings(session.folder));
}

// "vesk: FILE: TEXT" for an error that concerns a file, the text alone for any other.
std::string ErrorLine(const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    if (!error || error->File().empty()) return e.what();
    return "vesk: " + error->File() + ": " + e.what();
}

// Flushes `out`; when what was written did not all arrive, the line that says so, with the cause
// that the flush met.
std::optional<std::string> Undelivered(std::ostream& out) {
    errno = 0;
    out.flush();
    if (out) return std::nullopt;
    const int cause = errno;
    return "vesk: standard output: " + (cause != 0 ? ErrnoText(cause) : std::string("Unable to write"));
}

int Usage(std::ostream& err, const CommandSpec* command, const std::string& problem) {
    err << "vesk: " << problem << '\n' << UsageLine(command) << '\n';
    return kExitUsage;
}

}  // namespace

int RunCli(std::vector<std::string> args, std::ostream& out, std::ostream& err, bool progress) {
    const CommandSpec* command = nullptr;
    Invocation inv;
    try {
        inv = ParseArguments(args, &command);
    } catch (const UsageError& e) {
        return Usage(err, command, e.what());
    }
    if (inv.help) {
        out << (inv.command ? CommandHelp(*inv.command) : GeneralHelp());
        // Help that did not reach its reader is a failure too.
        if (const auto failure = Undelivered(out)) {
            err << *failure << '\n';
            return kExitFailed;
        }
        return kExitOk;
    }

    std::optional<ProgramFolder> folder;
    try {
        // Installed in /usr, the first start makes the user's own program folder.
        folder = inv.home ? ProgramFolder(*inv.home) : StartingProgramFolder();
    } catch (const std::exception& e) {
        err << ErrorLine(e) << '\n';
        return kExitFailed;
    }
    Session session{inv, *folder, Form{}, ConsoleHost(err, progress), out};
    int status = kExitOk;
    try {
        PrepareForm(session);
        session.invocation.command->run(session);
        status = session.status;
    } catch (const UsageError& e) {
        session.host.EndProgress();
        return Usage(err, command, e.what());
    } catch (const std::exception& e) {
        // The window's one error handler: a failure or a refusal ends the command with its text,
        // after the name of the file it concerns.
        session.host.Report(ErrorLine(e));
        status = kExitFailed;
    }
    session.host.EndProgress();
    // A listing that did not reach its reader is a failure too (a full disk, a closed pipe).
    if (const auto failure = Undelivered(out)) {
        session.host.Report(*failure);
        return kExitFailed;
    }
    return status;
}

}  // namespace vesk
