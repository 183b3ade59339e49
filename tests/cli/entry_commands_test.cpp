// cat and info DUMP NAME on a dump built by the window's commands: cat gives exactly the bytes
// unpacking writes, for every file (two entries of one name among them); info's JSON and text.
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"
#include "support/program_files.h"

namespace vesk::test {
namespace {

Picture Stripes(int width, int height) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) p.SetPixel(x, y, (x + y) % 2 ? 0x0000F8 : 0xF80000);
    }
    return p;
}

class EntryCommandsTest : public CliTest {
protected:
    EntryCommandsTest() {
        c10_ = EncodeC10(Stripes(8, 4));
        jpeg_ = EncodeJpeg(Stripes(24, 16));
        const std::string text = "\xEF\xBB\xBF" "Позвонить\r\n";
        dump_ = BuildWithWindowCommands("d.bin", {Source("Фон", c10_), Source("other/Фон", jpeg_), Source("Заметка", Bytes(text.begin(), text.end())),
                                                  Source("big", Pattern(9000, 3))});
    }
    std::string dump_;
    Bytes c10_, jpeg_;
};

TEST_F(EntryCommandsTest, CatWritesTheBytesUnpackingWritesForEveryFile) {
    const std::string out = temp_.File("unpacked");
    ASSERT_EQ(Run({"unpack", dump_, "--out", out}).status, kExitOk);
    const auto unpacked = FolderContents(out);
    ASSERT_EQ(unpacked.size(), 4u);
    for (const auto& [file, content] : unpacked) {
        // By the name unpacking gives the file, with and without its extension.
        const std::string stem = std::filesystem::path(file).stem().string();
        for (const std::string& name : {stem, file}) {
            const CliResult r = Run({"cat", dump_, name});
            EXPECT_EQ(r.status, kExitOk) << name << ": " << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), content) << name;
        }
    }
    // The second entry of a name is the second file: the JPEG, as it was added.
    const CliResult second = Run({"cat", dump_, "Фон (2)", "--list", "0x00000842"});
    EXPECT_EQ(Bytes(second.out.begin(), second.out.end()), jpeg_);
    const CliResult first = Run({"cat", dump_, "Фон"});
    EXPECT_EQ(Bytes(first.out.begin(), first.out.end()), c10_);
    EXPECT_TRUE(std::filesystem::is_empty(folder_.Files())) << "cat writes nothing";
}

TEST_F(EntryCommandsTest, InfoDescribesAFileByItsContent) {
    CliResult r = Run({"info", dump_, "Фон", "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // The keys of info PICTURE --json, and the file's name, size and extension.
    EXPECT_EQ(r.out, "{\"dump\":\"" + dump_ +
                         "\",\"list\":\"0x00000842\",\"name\":\"Фон\",\"file\":\"Фон.bin\",\"size\":107,"
                         "\"extension\":\".bin\",\"kind\":\"C10\",\"form\":\"header\",\"dataSize\":0,\"frameCount\":1,"
                         "\"paletteCount\":0,\"dataStart\":11,\"width\":8,\"height\":4,\"damaged\":false}\n");
    r = Run({"info", dump_, "Фон (2)", "--json"});
    EXPECT_NE(r.out.find("\"kind\":\"JPEG\",\"form\":null,\"dataSize\":" + std::to_string(jpeg_.size()) +
                         ",\"frameCount\":1,\"paletteCount\":0,\"dataStart\":0,\"width\":24,\"height\":16,\"damaged\":false}"),
              std::string::npos) << r.out;
    // No picture: its kind alone; text says its encoding.
    r = Run({"info", dump_, "Заметка", "--json"});
    EXPECT_NE(r.out.find("\"extension\":\".bin\",\"kind\":\"text\",\"encoding\":\"UTF-8\"}"), std::string::npos) << r.out;
    r = Run({"info", dump_, "big", "--json"});
    EXPECT_NE(r.out.find("\"size\":9000,\"extension\":\".bin\",\"kind\":\".bin\"}"), std::string::npos) << r.out;

    r = Run({"info", dump_, "Фон"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_NE(r.out.find("C10 8 x 4, заголовок в начале"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Фон.bin"), std::string::npos) << r.out;
}

TEST_F(EntryCommandsTest, NamesThatPickNoFileAndBadUsageAreRefused) {
    CliResult r = Run({"cat", dump_, "Закат"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Нет файла «Закат» в списке 0x00000842.\n");
    r = Run({"info", dump_, "Закат"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Run({"cat", dump_}).status, kExitUsage);
    EXPECT_EQ(Run({"cat", dump_, "Фон", "--json"}).status, kExitUsage);
    // --list belongs to a dump's file, not to a picture file.
    const std::string picture = Source("p.c10", c10_);
    r = Run({"info", picture, "--list", "0x00000842"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(Run({"info", picture}).status, kExitOk);
}

}  // namespace
}  // namespace vesk::test
