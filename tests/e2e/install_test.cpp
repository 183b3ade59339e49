// The installed folder itself: what lies in it, whether the shipped settings and profiles fit
// together as "Собрать" and the readers need them, and that a second install keeps the user's
// edits.
#include <filesystem>
#include <set>

#include "config/ini_file.h"
#include "config/settings.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "e2e/installed_folder.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

bool IsExecutable(const std::string& path) {
    std::error_code ec;
    const fs::perms p = fs::status(path, ec).permissions();
    return !ec && fs::is_regular_file(path) && (p & fs::perms::owner_exec) != fs::perms::none;
}

std::int64_t Value(FirmwareProfile& profile, ProfileKey key) { return profile.Value(key); }

TEST_F(InstalledFolderTest, HoldsTheProgramItsSettingsAndItsFolders) {
    EXPECT_TRUE(IsExecutable(app_ + "vesk-manager"));
    EXPECT_TRUE(IsExecutable(app_ + "tools/vesk-samples"));
    EXPECT_TRUE(fs::is_regular_file(app_ + "vesk-manager.desktop"));
    EXPECT_TRUE(fs::is_regular_file(app_ + "vesk-manager.svg"));
    // The system installation's layout (the Debian package's) stays out of the program folder.
    EXPECT_FALSE(fs::exists(app_ + "bin"));
    EXPECT_FALSE(fs::exists(app_ + "share"));
    EXPECT_TRUE(fs::is_directory(folder_.Files()));
    EXPECT_TRUE(FileNames(folder_.Files()).empty());
    EXPECT_EQ(fs::file_size(folder_.Bins() + samples::kSampleDump), static_cast<std::uintmax_t>(layout::kDumpSize));

    const Settings settings(folder_);
    const std::vector<std::string> firmwares = FirmwareNames(settings);
    ASSERT_GE(firmwares.size(), 2u) << "start-up selects the second name";
    for (const std::string& name : firmwares) EXPECT_TRUE(fs::is_regular_file(folder_.ProfileFile(name))) << name;
    ASSERT_FALSE(settings.SystemFile(1).empty());
    for (int n = 1; !settings.SystemFile(n).empty(); ++n) {
        EXPECT_TRUE(fs::is_regular_file(app_ + settings.SystemFile(n))) << settings.SystemFile(n);
    }
}

TEST_F(InstalledFolderTest, TheWindowBringsQtsRussianAndNoTimingHook) {
    EXPECT_TRUE(fs::is_regular_file(app_ + "translations/qtbase_ru.qm"));
    // The benchmark's timing hook, and the variable that once switched it on, stay out of it.
    const std::vector<std::uint8_t> program = ReadBytes(app_ + "vesk-manager");
    const std::string text(program.begin(), program.end());
    for (const char* word : {"first paint after", "VESK_QUIT_AFTER_FIRST_PAINT"}) {
        EXPECT_EQ(text.find(word), std::string::npos) << word;
    }
}

TEST_F(InstalledFolderTest, SettingsAndEveryProfileFitTogether) {
    const Settings settings(folder_);
    const AddressTables tables(settings);
    EXPECT_EQ(settings.Kod("00"), "?");
    EXPECT_EQ(settings.Kod("FF"), "?");

    // [Address] undoes [FIX] for every block place, and the addresses the assembler writes
    // into sector 0 name places 0 and 1.
    for (int place = 0; place < layout::kBlockPlaces; ++place) {
        const std::int64_t offset = layout::BlockPlaceOffset(place);
        const std::string address = settings.Address(std::to_string(offset), "");
        EXPECT_EQ(ListAddressToBlock(address, tables), BlockOffsetText(offset)) << "[Address] " << offset << "=" << address;
    }
    EXPECT_EQ(BlockPlaceOf("42E0", tables), 0);
    EXPECT_EQ(BlockPlaceOf("C2E0", tables), 1);

    const std::size_t header01 = settings.Hex("01").size() / 2;
    const std::size_t header11 = settings.Hex("11").size() / 2;
    EXPECT_FALSE(settings.Hex("31").empty());
    EXPECT_FALSE((settings.Hex("21") + settings.Hex("22") + settings.Hex("23")).empty());

    for (const std::string& name : FirmwareNames(settings)) {
        SCOPED_TRACE(name);
        std::vector<std::string> complaints;
        for (const ProfileUse use : {ProfileUse::Reading, ProfileUse::Building}) {
            FirmwareProfile profile(folder_, name, use, [&](const std::string& m) { complaints.push_back(m); });
            for (int k = 0; k <= static_cast<int>(ProfileKey::Data); ++k) profile.Value(static_cast<ProfileKey>(k));
        }
        EXPECT_TRUE(complaints.empty()) << complaints.front();

        FirmwareProfile profile(folder_, name, ProfileUse::Reading, [](const std::string&) {});
        EXPECT_EQ(profile.Tags(), settings.FatOwnerTags());
        EXPECT_EQ(Value(profile, ProfileKey::Name), layout::kOwnerNameLength);

        // The headers the builder writes leave the list addresses (List - 2 to List + 1) and
        // the list state byte alone.
        const std::int64_t list = Value(profile, ProfileKey::List);
        for (const std::size_t header : {header01, header11}) {
            EXPECT_LE(static_cast<std::int64_t>(header), list - 2);
            EXPECT_LE(static_cast<std::int64_t>(header), layout::kListStateOffset);
        }
        EXPECT_TRUE(list - 2 > layout::kListStateOffset || list + 1 < layout::kListStateOffset);

        // A name of up to 11 bytes meets no other field, and 101 entries end before the
        // closing pattern at 4044.
        struct Field {
            ProfileKey key;
            std::int64_t width;
        };
        const Field fields[] = {{ProfileKey::ToName, layout::kOwnerNameLength},
                                {ProfileKey::Size, 3},
                                {ProfileKey::FileNum, 1},
                                {ProfileKey::Group, 1},
                                {ProfileKey::Address, 2}};
        const std::int64_t stride = Value(profile, ProfileKey::NameSize);
        std::set<std::int64_t> taken;
        for (const Field& f : fields) {
            const std::int64_t start = Value(profile, f.key);
            for (std::int64_t b = start; b < start + f.width; ++b) {
                EXPECT_TRUE(taken.insert(b).second) << FirmwareProfile::KeyName(f.key) << " overlaps at byte " << b;
            }
        }
        ASSERT_FALSE(taken.empty());
        EXPECT_GE(*taken.begin(), 0);
        EXPECT_LE(*taken.rbegin() + 1, stride);
        EXPECT_LE(100 * stride + stride, 4044);
    }
}

TEST_F(InstalledFolderTest, AgainKeepsTheUsersSettingsAndSampleDump) {
    const std::string dump = folder_.Bins() + samples::kSampleDump;
    const std::vector<std::uint8_t> original = ReadBytes(dump);
    const std::string firmware = StartupFirmware(Settings(folder_));
    IniFile(folder_.SettingsFile()).WriteString("Temp", "X", "321");
    IniFile(folder_.ProfileFile(firmware)).WriteString("Offsets", "Edited", "yes");
    std::vector<std::uint8_t> edited = original;
    edited[layout::BlockPlaceOffset(0)] ^= 0x01;
    temp_.Write(std::string("app/bins/") + samples::kSampleDump, edited);
    fs::remove(app_ + Settings(folder_).SystemFile(1));

    ASSERT_EQ(InstallInto(temp_.Path() + "app"), 0) << ReadText(temp_.Path() + "app.log");
    EXPECT_EQ(IniFile(folder_.SettingsFile()).ReadString("Temp", "X", ""), "321");
    EXPECT_EQ(IniFile(folder_.ProfileFile(firmware)).ReadString("Offsets", "Edited", ""), "yes");
    EXPECT_EQ(ReadBytes(dump), edited) << "an existing sample dump is not made again";
    EXPECT_TRUE(fs::is_regular_file(app_ + Settings(folder_).SystemFile(1))) << "system files are put back";

    // Without it, the next install makes the same dump again.
    fs::remove(dump);
    ASSERT_EQ(InstallInto(temp_.Path() + "app"), 0) << ReadText(temp_.Path() + "app.log");
    EXPECT_EQ(ReadBytes(dump), original);
}

}  // namespace
}  // namespace vesk::test
