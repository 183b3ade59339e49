// vesk repack and vesk unpack NAME...: the changes in their order, refusals that write nothing,
// and the round trip without changes.
#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "platform/file_output.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

class RepackCommandTest : public CliTest {
protected:
    // bins/d.bin of four files, built as the window builds it.
    void SetUp() override {
        for (const auto& [name, size] : {std::pair{"one", 100}, {"two", 9000}, {"three", 4090}, {"four", 3}}) {
            contents[name] = Pattern(static_cast<std::size_t>(size), static_cast<unsigned>(size));
            sources.push_back(Source(name, contents[name]));
        }
        dump = BuildWithWindowCommands("d.bin", sources);
        before = ReadBytes(dump);
    }
    std::string Files(const std::string& path) {
        const CliResult r = Run({"files", path});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return r.out;
    }
    // Unpacks the dump into a fresh folder and returns its files.
    std::vector<std::pair<std::string, Bytes>> Unpacked(const std::string& path, std::vector<std::string> names = {}) {
        const std::string out = temp_.File("out" + std::to_string(++outs));
        std::vector<std::string> args = {"unpack", path, "--out", out};
        args.insert(args.end(), names.begin(), names.end());
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return FolderContents(out);
    }
    // What a refused repack must leave: the dump as it was, no .bak, no temporary.
    void ExpectNothingWritten(const CliResult& r, const std::string& says) {
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(dump), before);
        for (const auto& entry : fs::directory_iterator(folder_.Bins())) {
            EXPECT_TRUE(entry.path() == dump) << entry.path();
        }
    }

    std::map<std::string, Bytes> contents;
    std::vector<std::string> sources;
    std::string dump;
    Bytes before;
    int outs = 0;
};

TEST_F(RepackCommandTest, WithoutChangesTheListReadsBackEntryForEntryAndFileForFile) {
    const CliResult r = Run({"repack", dump, "--out", temp_.File("new.bin")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Files(temp_.File("new.bin")), Files(dump));
    EXPECT_EQ(Unpacked(temp_.File("new.bin")), Unpacked(dump));
    EXPECT_EQ(ReadBytes(dump), before);
    EXPECT_EQ(FolderContents(folder_.Files()).size(), 0u);  // nothing unpacked on the way
}

TEST_F(RepackCommandTest, ChangesApplyInTheirOrderAndTheDumpIsKeptAsBak) {
    const Bytes picture = Pattern(5000, 7);
    const CliResult r = Run({"repack", dump, "--rename", "two", "Два", "--replace", "Два", Source("p.jpg", picture),
                             "--remove", "three", "--add", sources[2], "--rename", "three", "3"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(dump + ".bak"), before);
    // The removed row leaves no gap; the added one comes last, with "Добавить"'s address and number.
    EXPECT_EQ(Files(dump),
              "№  Файл  Размер (байт)  Адрес  Группа  Номер\n"
              "1  one   100            0100   Звуки   1\n"
              "2  Два   5000           0200   Звуки   2\n"
              "3  four  3              0400   Звуки   4\n"
              "4  3     4090           0500   Звуки   5\n");
    const auto files = Unpacked(dump, {"Два", "3"});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], (std::pair<std::string, Bytes>{"3.bin", contents["three"]}));
    EXPECT_EQ(files[1], (std::pair<std::string, Bytes>{"Два.bin", picture}));
}

TEST_F(RepackCommandTest, UnknownTwiceOrMissingIsRefusedBeforeAnythingIsWritten) {
    ExpectNothingWritten(Run({"repack", dump, "--remove", "five"}), "Нет файла «five» в списке сборки.");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "two", "--replace", "two", sources[0]}),
                         "Файл «two» в списке сборки не один (строки 1 и 2)");
    ExpectNothingWritten(Run({"repack", dump, "--replace", "one", temp_.File("gone.jpg")}),
                         "vesk: " + temp_.File("gone.jpg") + ": File not found");
    ExpectNothingWritten(Run({"repack", dump, "--add", temp_.File("gone.jpg")}), "File not found");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "a/b"}), "в имени файла не бывает «/»");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "a\x1b[2Jb"}), "Имя «a\\x1b[2Jb» не годится");
    // A change after the refused one is never reached.
    ExpectNothingWritten(Run({"repack", dump, "--remove", "five", "--remove", "one"}), "«five»");
    const CliResult usage = RunBare({"repack", dump, "--home", folder_.Path(), "--rename", "one"});
    EXPECT_EQ(usage.status, kExitUsage);
    EXPECT_NE(usage.err.find("--rename needs two values (OLD NEW)"), std::string::npos) << usage.err;
}

// "two" (9000 bytes: three blocks and the builder's surplus one, slots 2 to 5) loses the slot of its
// second block: unpacking would give wrong bytes, so the check says so and repack will not carry
// the file on until it is removed or replaced.
TEST_F(RepackCommandTest, AnEntryThatLostABlockIsNotCarriedOn) {
    Bytes broken = before;
    broken[0x50C + 2 * 3] = broken[0x50C + 2 * 3 + 1] = 0xFF;
    temp_.Write("bins/d.bin", broken);
    before = broken;

    const CliResult check = Run({"check", dump});
    EXPECT_EQ(check.status, kExitFailed);
    EXPECT_NE(check.out.find("lost-block"), std::string::npos) << check.out;

    const CliResult refused = Run({"repack", dump});
    EXPECT_NE(refused.err.find("Файлы «two» в дампе повреждены"), std::string::npos) << refused.err;
    ExpectNothingWritten(refused, "Строка 2 («two»): нет файла");

    ASSERT_EQ(Run({"repack", dump, "--remove", "two", "--out", temp_.File("without.bin")}).status, kExitOk);
    ASSERT_EQ(Run({"repack", dump, "--replace", "two", sources[0], "--out", temp_.File("mended.bin")}).status, kExitOk);
    EXPECT_EQ(Run({"check", temp_.File("mended.bin")}).status, kExitOk);
}

TEST_F(RepackCommandTest, UnpackTakesOnlyTheNamedEntries) {
    const auto files = Unpacked(dump, {"four", "one"});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].first, "four.bin");
    EXPECT_EQ(files[1], (std::pair<std::string, Bytes>{"one.bin", contents["one"]}));
    const CliResult r = Run({"unpack", dump, "--out", temp_.File("x"), "one", "five"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Нет файла «five» в списке 0x00000842.\n");
    EXPECT_FALSE(fs::exists(temp_.File("x/one.bin")));
}

}  // namespace
}  // namespace vesk::test
