// The reading road on any dump with any profile and settings: OpenDump, ReadFileList and
// UnpackFiles, unpacking into files/ of a scratch program folder. Beyond not crashing, every
// file the unpacker writes must lie directly in its output folder.
//
// Input: profile text, settings text, the list position typed over the one found ("" keeps
// it), then the dump (fuzz_support.h).
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "base/error.h"
#include "config/program_folder.h"
#include "dump/commands.h"
#include "dump/layout.h"
#include "form/form.h"
#include "fuzz_support.h"

using namespace vesk;

namespace {

// A little past 48 sectors, so that data past the readers' area is tried too.
constexpr std::size_t kMaxDump = static_cast<std::size_t>(layout::kDumpSize) + 4096;

void CheckOnlyUnpackedFiles(const std::string& root) {
    static const std::set<std::string> kFixed = {"T.ini", "bins/", "bins/d.bin", "files/", "vesk.ini"};
    for (const std::string& path : fuzz::Tree(root)) {
        if (kFixed.count(path)) continue;
        const bool inOutput = path.starts_with("files/") && path.find('/', 6) == std::string::npos;
        if (!inOutput) fuzz::Fail("the reading road left " + root + path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const std::string profile = in.Text();
    const std::string settings = in.Text();
    const std::string listAddress = in.Text();
    const std::vector<std::uint8_t> dump = fuzz::ReadDump(in, kMaxDump);

    const std::string root = fuzz::MakeProgramFolder(profile, settings);
    fuzz::WriteFile(root + "bins/d.bin", dump);

    const ProgramFolder folder(root);
    Form form;
    InitGrids(form);
    form.FirmwareCombo = "T";
    form.TempFolderEdit = root + "files/";
    form.OpenDumpPath = root + "bins/d.bin";
    fuzz::QuietHost host;
    // The user presses the three buttons whatever the one before ended with. Failures and
    // refusals end a command; that is a documented result, not a fault.
    const auto run = [&](const std::function<void()>& command) {
        try {
            command();
        } catch (const Error&) {
        }
    };
    run([&] { OpenDump(form, host, folder); });
    if (!listAddress.empty()) form.ListAddressEdit = listAddress;
    run([&] { ReadFileList(form, host, folder); });
    run([&] { UnpackFiles(form, host, folder); });
    fuzz::CheckNothingBesideProgramFolder(root);
    CheckOnlyUnpackedFiles(root);
    return 0;
}
