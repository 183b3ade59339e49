// map, check, diff and recover on dumps built by the window's commands: their JSON exactly,
// their text through the table writer, and their exit statuses.
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "cli/json_writer.h"

namespace vesk::test {
namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Three files: a.dat (5000 bytes: blocks at places 2-4 of sector 0, slots 0-2), Звук.mid (4090:
// places 5-6) and c.txt (3: places 7-8). The test profile's list address lies where the header
// of a sector with data goes, so the block beside the list has no companion address: an orphan.
class InspectCommandsTest : public CliTest {
protected:
    InspectCommandsTest() {
        a_ = Source("a.dat", Pattern(5000, 1));
        b_ = Source("Звук.mid", Pattern(4090, 2));
        c_ = Source("c.txt", Bytes{'x', 'y', 'z'});
        dump_ = BuildWithWindowCommands("d.bin", {a_, b_, c_});
    }

    // The list block copied into sector 3 (its header names it) with its state byte as given
    // and the first name's first letter changed.
    void CopyListToSector3(std::uint8_t state, char first) const {
        Bytes bytes = ReadBytes(dump_);
        std::copy_n(bytes.begin() + 0x842, 4096, bytes.begin() + 3 * 0x10000 + 0x842);
        bytes[3 * 0x10000 + 2] = 0x42;
        bytes[3 * 0x10000 + 3] = 0xE0;
        bytes[3 * 0x10000 + 11] = state;
        bytes[3 * 0x10000 + 0x842] = static_cast<std::uint8_t>(first);
        temp_.Write("bins/d.bin", bytes);
    }

    std::string a_, b_, c_, dump_;
};

TEST_F(InspectCommandsTest, MapAsJsonTellsEveryPlaceOnce) {
    const CliResult r = Run({"map", dump_, "--json"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("{\"blocks\":["
                          "{\"sector\":0,\"place\":0,\"offset\":2114,\"kind\":\"list\"},"
                          "{\"sector\":0,\"place\":1,\"offset\":6210,\"kind\":\"orphan\",\"owner\":\"A1A2\"},"
                          "{\"sector\":0,\"place\":2,\"offset\":10306,\"kind\":\"file\",\"slots\":[0],\"owner\":\"0100\",\"entry\":1},"
                          "{\"sector\":0,\"place\":3,\"offset\":14402,\"kind\":\"file\",\"slots\":[1],\"owner\":\"0100\",\"entry\":1},",
                          0),
              0u)
        << r.out.substr(0, 600);
    EXPECT_NE(r.out.find("{\"sector\":0,\"place\":8,\"offset\":34882,\"kind\":\"file\",\"slots\":[6],\"owner\":\"0300\",\"entry\":3},"
                         "{\"sector\":0,\"place\":9,\"offset\":38978,\"kind\":\"erased\"}"),
              std::string::npos);
    EXPECT_EQ(Count(r.out, "{\"sector\":"), 720u);
    EXPECT_EQ(Count(r.out, "\"kind\":\"file\""), 7u);
    EXPECT_NE(r.out.find("{\"sector\":47,\"place\":14,\"offset\":3139650,\"kind\":\"erased\"}]}\n"), std::string::npos);
}

TEST_F(InspectCommandsTest, MapAsTextIsALineASector) {
    Bytes bytes = ReadBytes(dump_);
    bytes[2 * 0x10000 + 0x50C + 2 * 9] = 0x4F;  // slot 9 of sector 2: 4F05, no place
    bytes[2 * 0x10000 + 0x50C + 2 * 9 + 1] = 0x05;
    temp_.Write("bins/d.bin", bytes);
    const CliResult r = Run({"map", dump_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 1u + 1u + 48u + 2u);
    EXPECT_EQ(rows[0], "Выбранный список: 0x00000842");
    EXPECT_EQ(rows[1], "Сектор  Места 0-14       Ячейки FAT без места");
    EXPECT_EQ(rows[2], "0       LoFFFFFFF......");
    EXPECT_EQ(rows[3], "1       ...............");
    EXPECT_EQ(rows[4], "2       ...............  9=4F05");
    EXPECT_EQ(rows[49], "47      ...............");
    EXPECT_EQ(rows[50].rfind("L текущий список", 0), 0u);
}

TEST_F(InspectCommandsTest, CheckExitsWithOneOnlyForAnError) {
    CliResult r = Run({"check", dump_, "--json"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("{\"findings\":[{\"kind\":\"orphan-block\",\"severity\":\"warning\",\"sectors\":[0],"
                          "\"places\":[6210],\"slots\":[],\"entries\":[],\"text\":\"",
                          0),
              0u)
        << r.out;
    EXPECT_EQ(Count(r.out, "\"kind\":"), 1u);

    CopyListToSector3(0xFF, 'a');
    r = Run({"check", dump_});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\nошибка          two-current-lists  Текущими (байт состояния FF) помечены списки в секторах 0, 3"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nОшибок: 1, предупреждений: 1\n"), std::string::npos);

    EXPECT_EQ(Run({"check"}).status, kExitUsage);
    EXPECT_EQ(Run({"check", dump_, "--out", "x"}).status, kExitUsage);
    EXPECT_EQ(Run({"check", dump_, "--list", "842"}).status, kExitUsage);
}

TEST_F(InspectCommandsTest, DiffComparesTwoListsOfADumpOrTheListsOfTwoDumps) {
    CopyListToSector3(0x00, 'b');  // the older list names a.dat's content b.dat
    CliResult r = Run({"diff", dump_, "--list", "0x00030842", "--with", "0x00000842", "--json"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "{\"added\":[],\"removed\":[],\"changed\":[],\"renamed\":[{\"from\":\"b.dat\",\"to\":\"a.dat\"}],\"same\":2}\n");

    const std::string d_ = Source("d.txt", Pattern(100, 9));
    const std::string c2 = Source("c2/c.txt", Bytes{'x', 'y', 'Z'});
    const std::string other = BuildWithWindowCommands("e.bin", {a_, c2, d_});
    r = Run({"diff", dump_, other});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "Изменение  Файл\n"
              "добавлен   d.txt\n"
              "удалён     Звук.mid\n"
              "изменён    c.txt\n"
              "Одинаковых файлов: 1\n");

    r = Run({"diff", dump_});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("diff needs a second dump or --with 0xNNNNNNNN"), std::string::npos);
    EXPECT_EQ(Run({"diff", dump_, "--with", "list"}).status, kExitUsage);
    EXPECT_EQ(Run({"diff", dump_, other, "third"}).status, kExitUsage);
}

TEST_F(InspectCommandsTest, RecoverWritesAFolderPerListAndLost) {
    CopyListToSector3(0x00, 'b');
    EXPECT_EQ(Run({"recover", dump_}).status, kExitUsage);
    // A relative folder is taken from where vesk runs.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp_.MakeDir("work"));
    const CliResult r = Run({"recover", dump_, "--out", "out"});
    std::filesystem::current_path(before);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "Папка        Файлов  Байт  Ошибка\n"
              "0x00000842/  3       9093\n"
              "0x00030842/  3       9093\n"
              "lost/        1       4090\n");
    const std::string out = temp_.File("work/out/");
    EXPECT_EQ(ReadBytes(out + "0x00000842/a.dat.bin"), Pattern(5000, 1));
    EXPECT_EQ(ReadBytes(out + "0x00030842/b.dat.bin"), Pattern(5000, 1));
    EXPECT_EQ(ReadBytes(out + "0x00030842/Звук.mid.bin"), Pattern(4090, 2));
    EXPECT_EQ(ReadBytes(out + "lost/A1A2.bin").size(), 4090u);
}

// "vesk unpack --out" with a relative folder made the folder where vesk ran and then wrote into
// the program folder's one of that name: both are where vesk runs now.
TEST_F(InspectCommandsTest, UnpackIntoARelativeFolderWritesWhereItMadeIt) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp_.MakeDir("work"));
    const CliResult r = Run({"unpack", dump_, "--out", "rel"});
    std::filesystem::current_path(before);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(temp_.File("work/rel/a.dat.bin")), Pattern(5000, 1));
    EXPECT_FALSE(std::filesystem::exists(temp_.File("rel")));
}

}  // namespace
}  // namespace vesk::test
