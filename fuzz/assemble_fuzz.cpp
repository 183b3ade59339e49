// "Собрать" with any build list, profile and settings, on a build file of any length. A refused
// build must leave the build file exactly as it was, and no build writes anywhere but into it.
//
// Input: profile text, settings text, the build file's length (erased bytes), the number of
// rows, then per row the cells "Файл", "Размер (байт)", "Адрес", "Группа", "Номер", the kind
// of its path (a source file, a missing file, a folder) and the source file's content.
#include <cstdint>
#include <set>
#include <string>

#include "assembly/commands.h"
#include "base/error.h"
#include "config/program_folder.h"
#include "dump/layout.h"
#include "form/form.h"
#include "fuzz_support.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const std::string profile = in.Text();
    const std::string settings = in.Text();
    const std::size_t length = in.Number() % static_cast<std::size_t>(layout::kDumpSize + 1);
    const int rows = static_cast<int>(in.Number() % 4) + 1;

    const std::string root = fuzz::MakeProgramFolder(profile, settings);
    const std::string build = root + "bins/data.bin";
    fuzz::WriteFile(build, std::vector<std::uint8_t>(length, 0xFF));
    std::set<std::string> allowed = {"T.ini", "bins/", "bins/data.bin", "files/", "vesk.ini"};

    Form form;
    InitGrids(form);
    form.FirmwareCombo = "T";
    for (int r = 1; r <= rows; ++r) {
        for (int col = kBuildNameCol; col <= kBuildNumberCol; ++col) form.BuildGrid.SetCell(col, r, in.Text());
        const std::uint32_t kind = in.Number() % 3;
        const std::string content = in.Text();
        const std::string name = "s" + std::to_string(r);
        if (kind == 0) {
            fuzz::WriteFile(root + "files/" + name, content);
            allowed.insert("files/" + name);
        }
        form.BuildGrid.SetCell(kBuildPathCol, r, kind == 2 ? root + "files" : root + "files/" + name);
    }

    const std::vector<std::uint8_t> before = fuzz::ReadFile(build);
    fuzz::QuietHost host;
    bool failed = false;
    try {
        AssembleDump(form, host, ProgramFolder(root));
    } catch (const Error&) {
        failed = true;
    }
    if (failed && fuzz::ReadFile(build) != before) {
        fuzz::Fail("a refused build changed the build file");
    }
    fuzz::CheckNothingBesideProgramFolder(root);
    for (const std::string& path : fuzz::Tree(root)) {
        if (!allowed.count(path)) fuzz::Fail("the build left " + root + path);
    }
    return 0;
}
