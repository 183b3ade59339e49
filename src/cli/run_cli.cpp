// The entry point of the command line: parse, prepare the Form as the window's start-up leaves
// it, run one command, and turn its outcome into an exit status.
#include <exception>
#include <map>
#include <string_view>

#include "cli/cli.h"
#include "cli/session.h"
#include "config/settings.h"
#include "base/error.h"

namespace vesk {
namespace {

using namespace cli;

// The firmware the window selects at start-up: the second name of [Firmwares], none when
// there are fewer than two.
std::string StartupFirmware(const ProgramFolder& folder) {
    const std::vector<std::string> names = FirmwareNames(Settings(folder));
    return names.size() >= 2 ? names[1] : std::string();
}

void PrepareForm(Session& session) {
    Form& form = session.form;
    SetGridHeaders(form);
    form.FileGrid.Col = 1;
    form.FileGrid.Row = 1;
    form.BuildGrid.Col = 1;
    form.BuildGrid.Row = 1;
    form.ListsGrid.Col = 0;
    form.ListsGrid.Row = 1;
    const Invocation& inv = session.invocation;
    form.FirmwareCombo = inv.firmware ? *inv.firmware : StartupFirmware(session.folder);
}

void Dispatch(Session& session) {
    static const std::map<std::string_view, void (*)(Session&)> kRunners = {
        {"lists", RunLists}, {"files", RunFiles},   {"unpack", RunUnpack}, {"blank", RunBlank},
        {"format", RunFormat}, {"build", RunBuild}, {"info", RunInfo},     {"convert", RunConvert},
    };
    kRunners.at(session.invocation.command->name)(session);
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
        return kExitOk;
    }

    Session session{inv, inv.home ? ProgramFolder(*inv.home) : ProgramFolder::OfRunningProgram(), Form{},
                    ConsoleHost(err, progress), out};
    int status = kExitOk;
    try {
        PrepareForm(session);
        Dispatch(session);
    } catch (const UsageError& e) {
        session.host.EndProgress();
        return Usage(err, command, e.what());
    } catch (const std::exception& e) {
        // The window's default error handler: the error's text in a box, the command ends.
        session.host.Report(e.what());
        status = kExitFailed;
    }
    session.host.EndProgress();
    out.flush();
    return session.host.Failed() ? kExitFailed : status;
}

}  // namespace vesk
