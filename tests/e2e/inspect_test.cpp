// The dump inspection on an installation: the sample dump and dumps built by "Собрать" with every
// shipped profile check clean; the map and the list comparison see the sample's two lists.
#include <filesystem>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "dump/messages.h"
#include "e2e/installed_folder.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "inspect/list_diff.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

class InspectInstalledTest : public InstalledFolderTest {
protected:
    Inspection Inspect(const std::string& dump, const std::string& firmware) {
        return InspectDumpFile(dump, folder_, firmware, messages::ToHost(host_));
    }
    static std::string Findings(const std::vector<Finding>& findings) {
        std::string text;
        for (const Finding& f : findings) text += f.kind + ": " + f.text + "\n";
        return text;
    }
};

TEST_F(InspectInstalledTest, TheSampleDumpChecksCleanAndShowsBothLists) {
    const std::string firmware = StartupFirmware(Settings(folder_));
    const std::string dump = folder_.Bins() + samples::kSampleDump;
    const Inspection in = Inspect(dump, firmware);
    const std::vector<Finding> findings = CheckDump(in);
    EXPECT_TRUE(findings.empty()) << Findings(findings);
    EXPECT_EQ(in.KindAt(0, 0), BlockKind::List);
    EXPECT_TRUE(in.CurrentList(in.Map().At(0, 0)));
    EXPECT_EQ(in.KindAt(samples::kOlderListSector, 0), BlockKind::List);
    EXPECT_FALSE(in.CurrentList(in.Map().At(samples::kOlderListSector, 0)));
    EXPECT_EQ(in.KindAt(0, 1), BlockKind::Data);  // the builder's block after the list
    int files = 0, orphans = 0;
    for (const BlockKind kind : in.kinds) {
        files += kind == BlockKind::File;
        orphans += kind == BlockKind::Orphan;
    }
    EXPECT_GT(files, 30);
    EXPECT_EQ(orphans, 0);
    ExpectNoBoxes();

    // The older list holds the first files of the current one, unchanged.
    const Settings settings(folder_);
    int system = 0;
    while (!settings.SystemFile(system + 1).empty()) ++system;
    const auto samples = samples::SampleFiles();
    const ListDiff diff = DiffLists({dump, ListPositionValue(samples::kOlderList, {})}, {dump, std::nullopt}, folder_, firmware,
                                    messages::ToHost(host_));
    const std::size_t older = system + samples.size() - 8;
    EXPECT_EQ(diff.same, static_cast<int>(older));
    ASSERT_EQ(diff.added.size(), 8u);
    EXPECT_EQ(diff.added.front(), samples[samples.size() - 8].name);
    EXPECT_TRUE(diff.removed.empty() && diff.changed.empty() && diff.renamed.empty());
}

TEST_F(InspectInstalledTest, ADumpBuiltWithEveryShippedProfileChecksClean) {
    for (const std::string& firmware : FirmwareNames(Settings(folder_))) {
        SCOPED_TRACE(firmware);
        Form build;
        InitGrids(build);
        build.FirmwareCombo = firmware;
        build.BuildNameEdit = "checked-" + firmware + ".bin";
        AddSystemFiles(build, host_, folder_);
        for (const samples::SampleFile& f : samples::SampleFiles()) {
            host_.selectedFile = app_ + samples::kSamplesFolder + f.name + f.extension;
            AddSelectedFile(build, host_, folder_);
        }
        MakeBlankDump(build, host_, folder_);
        FormatDump(build, host_, folder_);
        AssembleDump(build, host_, folder_);
        ExpectNoBoxes();
        const std::vector<Finding> findings = CheckDump(Inspect(assembly::BuildFilePath(build, folder_), firmware));
        EXPECT_TRUE(findings.empty()) << Findings(findings);
    }
}

}  // namespace
}  // namespace vesk::test
