#include "cli/cli_fixture.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "assembly/commands.h"
#include "cli/cli.h"
#include "form/form.h"
#include "picture/c10_codec.h"
#include "support/recording_host.h"

namespace vesk::test {

std::string CliSettings(const std::string& extra) {
    return "[Firmwares]\n1=Other\n2=Test\n" + StandardSettings("address", "[GROUP]\n01=Звуки\n02=Картинки\n" + extra);
}

CliTest::CliTest() : folder_(temp_.Path()) {
    temp_.MakeDir("bins");
    temp_.MakeDir("files");
    WriteSettings(CliSettings());
    temp_.Write("Test.ini", StandardProfile());
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
    InitGrids(form);
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

Bytes TwoFrameC10(const Picture& first, const Picture& second) {
    Bytes bytes = EncodeC10(first);
    const Bytes next = EncodeC10(second);
    const std::size_t pixels = bytes.size() - 11;
    bytes[3] = 2;  // frame count
    bytes[5] = static_cast<std::uint8_t>(pixels & 0xFF);
    bytes[6] = static_cast<std::uint8_t>(pixels >> 8);
    C10FrameHeader header;
    header.frameCount = 2;
    header.dataSize = static_cast<std::uint16_t>(pixels);
    for (const std::uint8_t b : header.Bytes()) bytes.push_back(b);
    bytes.insert(bytes.end(), next.begin() + 11, next.end());
    return bytes;
}

}  // namespace vesk::test
