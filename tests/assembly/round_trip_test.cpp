// A built dump read back by the reading road: OpenDump finds the list, ReadFileList shows the
// build list, UnpackFiles gives every file back byte for byte, in both kinds of owner tag.
#include <filesystem>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "dump/commands.h"

namespace vesk::test {
namespace {

struct SourceFile {
    std::string name;
    Bytes content;
};

// 100 files whose blocks (one per `data` bytes begun, and one more each) fill all 409 slots:
// the sizes around one block, an empty file, one byte, a few of tens of kilobytes, and the
// rest spread so that the total comes out exact.
std::vector<SourceFile> FullBuild(std::int64_t data) {
    std::vector<std::int64_t> sizes = {0, 1, 4084, 4085, 4086, 4089, 4090, 4091, 40000, 50000, 15 * data};
    auto blocksOf = [data](std::int64_t n) { return (n + data - 1) / data + 1; };
    std::int64_t left = 409;
    for (const std::int64_t n : sizes) left -= blocksOf(n);
    for (int i = static_cast<int>(sizes.size()); i < 100; ++i) {
        const std::int64_t blocks = left / (100 - i);
        left -= blocks;
        sizes.push_back((blocks - 1) * data - (i * 37) % (data - 1));  // still needs blocks - 1 of content
    }
    EXPECT_EQ(left, 0);  // the fixture asks for exactly the 409 blocks the reader walks
    std::vector<SourceFile> files;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::string name = "f" + std::to_string(1000 + i).substr(1) + ".dat";
        if (i == 7) name = "Звук.mid";  // Windows-1251 bytes in the list and in name tags
        files.push_back({name, Pattern(static_cast<std::size_t>(sizes[i]), static_cast<unsigned>(i))});
    }
    return files;
}

class RoundTripTest : public BuildTest {
protected:
    void BuildAndReadBack(const std::vector<SourceFile>& files) {
        for (const SourceFile& f : files) {
            const std::string path = Source(f.name, f.content);
            if (f.content.size() >= 3) {
                Add(path);
            } else {
                // "Добавить" needs three bytes for the group; the row is what it would have made.
                int r = 1;
                while (!form_.BuildGrid.Cell(kBuildPathCol, r).empty()) ++r;
                SetRow(r, path, f.name, static_cast<int>(f.content.size()));
            }
        }
        ASSERT_EQ(form_.BuildGrid.Cell(kBuildPathCol, 100), temp_.File("files/" + files.back().name));
        MakeFormatted();
        AssembleDump(form_, host_, folder_);
        const Bytes dump = BuildBytes();
        // All 409 slots, and no more: slot 408 lies in sector 27, at place (408 - 13) mod 15.
        ASSERT_NE(dump[27 * kSector + 0x50C + 2 * 408], 0xFF);
        ASSERT_EQ(dump[27 * kSector + 0x50C + 2 * 409], 0xFF);

        form_.OpenDumpPath = BuildPath();
        OpenDump(form_, host_, folder_);
        EXPECT_EQ(form_.ListAddressEdit, "0x00000842");
        ReadFileList(form_, host_, folder_);
        EXPECT_EQ(host_.status[2], "Всего файлов : 100");
        for (std::size_t i = 0; i < files.size(); ++i) {
            const int r = static_cast<int>(i) + 1;
            EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, r), files[i].name);
            EXPECT_EQ(form_.FileGrid.Cell(kFileSizeCol, r), std::to_string(files[i].content.size()));
            EXPECT_EQ(form_.FileGrid.Cell(kFileAddressCol, r), form_.BuildGrid.Cell(kBuildAddressCol, r));
            EXPECT_EQ(form_.FileGrid.Cell(kFileGroupCol, r), "Звуки");
            EXPECT_EQ(form_.FileGrid.Cell(kFileNumberCol, r), std::to_string(r));
        }

        form_.TempFolderEdit = temp_.MakeDir("out");
        UnpackFiles(form_, host_, folder_);
        EXPECT_EQ(host_.progress, host_.progressMax);  // the bar ends full
        for (const SourceFile& f : files) {
            const std::string out = form_.TempFolderEdit + f.name + ".bin";
            ASSERT_TRUE(std::filesystem::exists(out)) << out;
            EXPECT_TRUE(SameBytes(f.content, ReadBytes(out))) << f.name;
        }
    }
};

TEST_F(RoundTripTest, AddressTags) {
    WriteSettings(StandardSettings("address", "[GROUP]\n01=Звуки\n"));
    BuildAndReadBack(FullBuild(4090));
}

TEST_F(RoundTripTest, NameTags) {
    // The 11-byte name tag would share the block's first bytes with the content unless the
    // content starts at 11; the 0xFF after a short name vanishes through [kod].
    WriteSettings(StandardSettings("name", "[GROUP]\n01=Звуки\n"));
    WriteProfile(StandardProfile("0x0000000B", "0x00000FF5", "AddrIs=name\n"));
    BuildAndReadBack(FullBuild(0xFF5));
}

}  // namespace
}  // namespace vesk::test
