#include "samples/sample_installation.h"

#include <filesystem>
#include <stdexcept>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "form/form.h"
#include "form/host.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"
#include "samples/sample_content.h"

namespace vesk::samples {
namespace {

namespace fs = std::filesystem;

// The commands run without a window: a message box would need someone to read it, so any box
// ends the run with its text.
class ToolHost : public SilentHost {
public:
    void ShowMessage(const std::string& text) override { throw std::runtime_error(text); }
    void ShowFolder(const std::string& folder) override {
        std::error_code ec;
        if (!fs::is_directory(fs::u8path(folder), ec)) ThrowIoError(3);
    }
    std::string SelectedFile() const override { return selected; }

    std::string selected;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteWholeFile(path, bytes, Durability::Durable);
}

// "Добавить", then the name as "Переименовать" lets the user set it: without the extension,
// which unpacking gives back from the content.
void AddSample(Form& form, ToolHost& host, const ProgramFolder& folder, const std::string& path,
               const std::string& name) {
    host.selected = path;
    AddSelectedFile(form, host, folder);
    for (int r = 1; r < form.BuildGrid.RowCount(); ++r) {
        if (form.BuildGrid.Cell(kBuildPathCol, r) == path) {
            form.BuildGrid.SetCell(kBuildNameCol, r, name);
            return;
        }
    }
    throw std::runtime_error("not on the build list: " + path);
}

// "Пустой "FF" файл", "Форматировать", "Собрать".
void Build(Form& form, ToolHost& host, const ProgramFolder& folder) {
    MakeBlankDump(form, host, folder);
    FormatDump(form, host, folder);
    AssembleDump(form, host, folder);
}

int ListedRows(const Form& form) {
    int rows = 0;
    while (!form.BuildGrid.Cell(kBuildNameCol, rows + 1).empty()) ++rows;
    return rows;
}

}  // namespace

SampleReport MakeSampleInstallation(const ProgramFolder& folder) {
    const std::string samples = folder.Path() + kSamplesFolder;
    fs::create_directories(fs::u8path(samples));
    fs::create_directories(fs::u8path(folder.Bins()));

    SampleReport report;
    report.firmware = StartupFirmware(Settings(folder));
    ToolHost host;
    Form form;
    form.FirmwareCombo = report.firmware;
    form.BuildNameEdit = kSampleDump;

    // The phone's own files first, as "Системные" puts them.
    AddSystemFiles(form, host, folder);
    const std::vector<SampleFile> files = SampleFiles();
    // The older list: an earlier build that held the first files only.
    const std::size_t older = files.size() - 8;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = samples + files[i].name + files[i].extension;
        WriteFile(path, files[i].content);
        AddSample(form, host, folder, path, files[i].name);
        if (i + 1 == older) {
            Build(form, host, folder);
            report.olderFiles = ListedRows(form);
        }
    }
    const std::string dump = assembly::BuildFilePath(form, folder);
    std::vector<std::uint8_t> olderList(static_cast<std::size_t>(layout::kBlockPitch));
    ByteFile::Open(dump).ReadAt(layout::BlockPlaceOffset(0), olderList);

    Build(form, host, folder);
    report.files = ListedRows(form);

    // The older list goes to block place 0 of the last sector, named in that sector's header
    // by the address [Address] gives place 0, with a list state byte that marks it as old.
    const Settings settings(folder);
    FirmwareProfile profile(folder, report.firmware, ProfileUse::Reading,
                            [](const std::string& text) { throw std::runtime_error(text); });
    const std::int64_t sector = layout::SectorStart(kOlderListSector);
    const std::vector<std::uint8_t> address =
        assembly::HexTextBytes(settings.Address(std::to_string(layout::BlockPlaceOffset(0)), "42E0"));
    const std::uint8_t oldState = 0x00;
    ChangeFile(dump, Durability::Durable, [&](std::vector<std::uint8_t>& image) {
        const auto put = [&image](std::int64_t at, std::span<const std::uint8_t> bytes) {
            std::copy(bytes.begin(), bytes.end(), image.begin() + at);
        };
        put(sector + layout::BlockPlaceOffset(0), olderList);
        put(sector + profile.Value(ProfileKey::List), address);
        put(sector + layout::kListStateOffset, std::span(&oldState, 1));
    });
    return report;
}

}  // namespace vesk::samples
