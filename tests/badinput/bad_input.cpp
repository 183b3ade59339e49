#include "badinput/bad_input.h"

#include <filesystem>

#include "base/error.h"
#include "dump/commands.h"
#include "sample_dump/sample_dump.h"

namespace vesk::test {

namespace fs = std::filesystem;

Snapshot Take(const std::string& folder) {
    Snapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = fs::relative(entry.path(), folder).string();
        snapshot[entry.is_directory() ? relative + "/" : relative] =
            entry.is_regular_file() ? ReadBytes(entry.path().string()) : Bytes{};
    }
    return snapshot;
}

std::vector<std::string> Changed(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> changed;
    for (const auto& [path, bytes] : before) {
        const auto it = after.find(path);
        if (it == after.end() || it->second != bytes) changed.push_back(path);
    }
    for (const auto& [path, bytes] : after) {
        if (!before.count(path)) changed.push_back(path);
    }
    return changed;
}

BadInputTest::BadInputTest() : folder_(temp_.Path()) {
    dump_ = sample::WriteSampleInstallation(temp_.Path());
    settings_ = ReadText(temp_.File("vesk.ini"));
    profile_ = ReadText(temp_.File("Sample.ini"));
    InitGrids(form_);
    form_.FirmwareCombo = "Sample";
    form_.TempFolderEdit = temp_.MakeDir("files");
    temp_.MakeDir("system");
    form_.OpenDumpPath = dump_;
    form_.ListAddressEdit = sample::kCurrentList;
}

void BadInputTest::CutDump(std::int64_t size) { fs::resize_file(dump_, static_cast<std::uintmax_t>(size)); }

void BadInputTest::WriteDump(const Bytes& bytes) const { temp_.Write("bins/sample.bin", bytes); }

std::string BadInputTest::Open() { return ErrorOf([this] { OpenDump(form_, host_, folder_); }); }
std::string BadInputTest::Read() { return ErrorOf([this] { ReadFileList(form_, host_, folder_); }); }
std::string BadInputTest::Unpack() { return ErrorOf([this] { UnpackFiles(form_, host_, folder_); }); }

std::map<std::string, Bytes> BadInputTest::Unpacked() const {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(form_.TempFolderEdit)) {
        files[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
    return files;
}

namespace {

std::string Sizes(const std::map<std::string, Bytes>& files) {
    std::string text = "{";
    for (const auto& [name, bytes] : files) text += " " + name + ":" + std::to_string(bytes.size());
    return text + " }";
}

}  // namespace

::testing::AssertionResult BadInputTest::UnpackedAre(const std::map<std::string, Bytes>& expected) const {
    const auto got = Unpacked();
    if (got == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "unpacked " << Sizes(got) << ", expected " << Sizes(expected)
                                         << (Sizes(got) == Sizes(expected) ? " (contents differ)" : "");
}

std::string BadAddress(const std::string& text) { return "Неверный адрес " + text; }

}  // namespace vesk::test
