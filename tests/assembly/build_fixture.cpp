#include "assembly/build_fixture.h"


#include "assembly/commands.h"

namespace vesk::test {

BuildTest::BuildTest() : folder_(temp_.Path()) {
    temp_.MakeDir("bins");
    temp_.MakeDir("files");
    InitGrids(form_);
    form_.FirmwareCombo = "Test";
    WriteSettings(StandardSettings());
    WriteProfile(StandardProfile());
}

void BuildTest::WriteSettings(const std::string& text) const { temp_.Write("vesk.ini", text); }
void BuildTest::WriteProfile(const std::string& text) const { temp_.Write("Test.ini", text); }

void BuildTest::MakeFormatted() {
    MakeBlankDump(form_, host_, folder_);
    FormatDump(form_, host_, folder_);
}

std::string BuildTest::Source(const std::string& name, const Bytes& content) const {
    return temp_.Write("files/" + name, content);
}

void BuildTest::Add(const std::string& path) {
    host_.selectedFile = path;
    AddSelectedFile(form_, host_, folder_);
}

void BuildTest::SetRow(int r, const std::string& path, const std::string& name, int size) {
    TextGrid& g = form_.BuildGrid;
    g.SetCell(kBuildRowCol, r, std::to_string(r));
    g.SetCell(kBuildNameCol, r, name);
    g.SetCell(kBuildSizeCol, r, std::to_string(size));
    static const char kHex[] = "0123456789ABCDEF";
    g.SetCell(kBuildAddressCol, r, std::string{kHex[(r >> 4) & 15], kHex[r & 15]} + "00");
    g.SetCell(kBuildGroupCol, r, "01");
    g.SetCell(kBuildNumberCol, r, std::to_string(r));
    g.SetCell(kBuildPathCol, r, path);
}


Image::Image(std::int64_t size, std::uint8_t fill) : bytes(static_cast<std::size_t>(size), fill) {}

void Image::Put(std::int64_t position, const Bytes& data) {
    if (bytes.size() < static_cast<std::size_t>(position) + data.size()) bytes.resize(static_cast<std::size_t>(position) + data.size(), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + position);
}

void Image::Fill(std::int64_t position, std::int64_t count, std::uint8_t value) {
    Put(position, Bytes(static_cast<std::size_t>(count), value));
}

Image Image::Formatted() {
    Image image;
    for (int s = 0; s < 48; ++s) image.Put(s * kSector, {0xF0, 0xF1});
    return image;
}

::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& actual) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            return ::testing::AssertionFailure() << "first difference at " << i << " (0x" << std::hex << i << "): 0x"
                                                 << int(actual[i]) << ", expected 0x" << int(expected[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace vesk::test
