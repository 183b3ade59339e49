// A dump assembled by "Собрать" checks clean, and its map is what the builder laid out.
#include <gtest/gtest.h>

#include "assembly/commands.h"
#include "dump/messages.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk::test {
namespace {

// "Собрать" with the shipped profile's list offset (0x10): the check finds nothing, and the map
// shows the list, the block beside it and one file block per block the builder wrote.
class CheckAssembledTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CheckAssembledTest, ADumpBuiltBySobratChecksClean) {
    TempFolder temp;
    const ProgramFolder folder(temp.Path());
    const std::string addrIs = GetParam();
    temp.Write("vesk.ini", StandardSettings(addrIs));
    // A name tag takes 11 bytes: the content starts after it.
    const bool names = addrIs == "name";
    const std::size_t data = names ? 0xFF5 : 0xFFA;
    std::string profile = names ? StandardProfile("0x0000000B", "0x00000FF5", "AddrIs=name\n") : StandardProfile();
    const std::size_t list = profile.find("List=");
    profile.replace(list, profile.find('\n', list) - list, "List=0x00000010");
    temp.Write("T.ini", profile);
    Form form;
    InitGrids(form);
    form.FirmwareCombo = "T";
    const std::vector<std::size_t> sizes = {5000, 4090, 0, 3, 60000};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const std::string name = "f" + std::to_string(i);
        const std::string path = temp.Write("src/" + name, Pattern(sizes[i], static_cast<unsigned>(i)));
        form.BuildGrid.SetCell(kBuildNameCol, row, name);
        form.BuildGrid.SetCell(kBuildSizeCol, row, std::to_string(sizes[i]));
        form.BuildGrid.SetCell(kBuildAddressCol, row, (row < 10 ? "0" : "") + std::to_string(row) + "00");
        form.BuildGrid.SetCell(kBuildGroupCol, row, "01");
        form.BuildGrid.SetCell(kBuildNumberCol, row, std::to_string(row));
        form.BuildGrid.SetCell(kBuildPathCol, row, path);
    }
    RecordingHost host;
    std::vector<std::uint8_t> image = BlankImage();
    FormatImage(image, FormatHeader(folder), host);
    AssembleImage(form, host, folder, image);
    const std::string dump = temp.Write("bins/d.bin", image);

    const Inspection in = InspectDumpFile(dump, folder, "T", messages::ToHost(host));
    EXPECT_TRUE(host.messages.empty());
    const auto findings = CheckDump(in);
    for (const Finding& f : findings) ADD_FAILURE() << f.kind << ": " << f.text;
    int files = 0;
    for (std::size_t i = 0; i < in.kinds.size(); ++i) files += in.kinds[i] == BlockKind::File ? 1 : 0;
    // Each file one block per `data` bytes begun, and one more.
    std::size_t blocks = 0;
    for (const std::size_t size : sizes) blocks += (size + data - 1) / data + 1;
    EXPECT_EQ(static_cast<std::size_t>(files), blocks);
    EXPECT_EQ(in.KindAt(0, 0), BlockKind::List);
    EXPECT_EQ(in.KindAt(0, 1), BlockKind::Data);
}

INSTANTIATE_TEST_SUITE_P(OwnerTags, CheckAssembledTest, ::testing::Values("address", "name"));

}  // namespace
}  // namespace vesk::test
