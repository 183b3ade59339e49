#include "cli/cli_fixture.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "build/commands.h"
#include "cli/cli.h"
#include "form/form.h"
#include "support/recording_host.h"

namespace vesk::test {

std::string CliSettings(const std::string& extra) {
    std::ostringstream out;
    out << "[Firmwares]\n1=Other\n2=Test\n"
        << "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n"
        << "[FAT]\nAddrIs=address\n[FIX]\n2E=2E\n[KOD]\n00=?\nFF=?\n[GROUP]\n01=Звуки\n02=Картинки\n"
        << "[Address]\n";
    // Block place k: "4" or "C", then "20", then k div 2, as [FIX] 2E=2E reads it back.
    for (int k = 0; k < 15; ++k) out << 2114 + 4096 * k << "=" << (k % 2 == 0 ? "4" : "C") << "20" << k / 2 << "\n";
    out << extra;
    return out.str();
}

std::string CliProfile() {
    return "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\n"
           "FileNum=0x0000000E\ngroup=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
           "[FAT]\nFAT=0x0000050C\ntodata=0x00000002\ndata=0x00000FFA\n";
}

Bytes Pattern(std::size_t n, unsigned seed) {
    Bytes out(n);
    std::uint32_t x = 0x9E3779B9u * (seed + 1);
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

CliTest::CliTest() : folder_(temp_.Path()) {
    temp_.MakeDir("bins");
    temp_.MakeDir("files");
    WriteSettings(CliSettings());
    temp_.Write("Test.ini", CliProfile());
}

CliResult CliTest::RunBare(const std::vector<std::string>& args, bool progress) {
    const std::string settingsPath = folder_.SettingsFile();
    const bool hadSettings = std::filesystem::exists(settingsPath);
    const std::string settingsBefore = ReadText(settingsPath);
    std::ostringstream out, err;
    CliResult result;
    result.status = RunCli(args, out, err, progress);
    result.out = out.str();
    result.err = err.str();
    // The command line never writes the settings file.
    EXPECT_EQ(std::filesystem::exists(settingsPath), hadSettings);
    EXPECT_EQ(ReadText(settingsPath), settingsBefore);
    return result;
}

CliResult CliTest::Run(std::vector<std::string> args, bool progress) {
    args.push_back("--home");
    args.push_back(temp_.Path());
    return RunBare(args, progress);
}

std::string CliTest::BuildWithWindowCommands(const std::string& name, const std::vector<std::string>& files) const {
    Form form;
    SetGridHeaders(form);
    form.FirmwareCombo = "Test";
    form.BuildNameEdit = name;
    RecordingHost host;
    for (const std::string& file : files) {
        host.selectedFile = file;
        AddSelectedFile(form, host, folder_);
    }
    MakeBlankDump(form, host, folder_);
    FormatDump(form, host, folder_);
    AssembleDump(form, host, folder_);
    EXPECT_TRUE(host.errors.empty()) << host.errors.front();
    return folder_.Bins() + name;
}

std::vector<std::pair<std::string, Bytes>> CliTest::FolderContents(const std::string& folder) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.emplace_back(entry.path().filename().string(), ReadBytes(entry.path().string()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace vesk::test
