#pragma once
// The window's state as plain data, named after the controls that hold it. Commands read and
// write these fields; the window shows them. Between commands all values are text, as the
// user sees and edits them.
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/text_grid.h"
#include "platform/file_output.h"
#include "platform/picture.h"

namespace vesk {

// "Список" and "Новый VESK" show rows 1 to 100 under their header row: one per entry of a list.
inline constexpr int kGridRows = 100;
// "Списки файлов" has 100 rows, its header included: room for a list in each of the 48 sectors.
inline constexpr int kListsGridRows = 100;

// FileGrid columns, as "Поиск" fills them.
enum FileColumn : int {
    kFileRowCol = 0,      // "№"
    kFileNameCol = 1,     // "Файл"
    kFileSizeCol = 2,     // "Размер (байт)"
    kFileAddressCol = 3,  // "Адрес"
    kFileGroupCol = 4,    // "Группа"
    kFileNumberCol = 5,   // "Номер"
};
// BuildGrid columns, as the build-list commands fill them and "Собрать" reads them.
enum BuildColumn : int {
    kBuildRowCol = 0,      // "№"
    kBuildNameCol = 1,     // "Файл"
    kBuildSizeCol = 2,     // "Размер (байт)"
    kBuildAddressCol = 3,  // "Адрес"
    kBuildGroupCol = 4,    // "Группа"
    kBuildNumberCol = 5,   // "Номер"
    kBuildPathCol = 6,     // "Путь"
};
inline constexpr const char* kListsHeader = "Списки файлов";
inline constexpr const char* kFileHeaders[] = {"№", "Файл", "Размер (байт)", "Адрес", "Группа", "Номер"};
inline constexpr const char* kBuildHeaders[] = {"№", "Файл", "Размер (байт)", "Адрес", "Группа", "Номер", "Путь"};

// ListsGrid has one column: the header, then one list position per row.
inline constexpr int kListsCol = 0;
// FatGrid: each sector's start in column 0; slot n in column 2n + 2, its owner in 2n + 1. Its
// 820 columns hold 409 slots, which bounds the slots a build may use.
inline constexpr int kFatGridCols = 820;
inline constexpr int kFatStartCol = 0;
constexpr int FatSlotCol(int slot) { return 2 * slot + 2; }
constexpr int FatOwnerCol(int slot) { return 2 * slot + 1; }

struct Form {
    // "Настройки": lists found in the dump, and the chosen one.
    TextGrid ListsGrid{1, kListsGridRows};
    std::string ListAddressEdit;
    std::string FirmwareCombo;
    std::string TempFolderEdit;

    // "Список" and the hidden "FAT" work table.
    TextGrid FileGrid{std::size(kFileHeaders), kGridRows + 1};
    TextGrid FatGrid{kFatGridCols, 49};

    // "Новый VESK".
    TextGrid BuildGrid{std::size(kBuildHeaders), kGridRows + 1};
    std::string BuildNameEdit = "data.bin";
    bool BuildGridEditing = false;
    // The unpack folder text that showing "Новый VESK" last reported as unusable: reported once
    // until the text changes or the folder is shown.
    std::optional<std::string> UnpackFolderReported;

    // The dump "В сборку" took the build list from, as it stood then: "Собрать всё" over that
    // dump refuses once another program has changed it.
    struct TakenFile {
        std::string path;
        std::optional<FileIdentity> identity;
        bool operator==(const TakenFile&) const = default;
    };
    std::optional<TakenFile> TakenDump;
    // What a row of the build list held before "Заменить..." first changed it: "JPEG 96 x 72" for
    // a picture, "" for any other file. "Собрать всё" names the rows whose picture is no longer
    // of that kind and size; "Удалить" forgets the row, "В сборку" every row.
    std::map<int, std::string> ReplacedPictures;

    // The dump the dump-opening commands opened (the button, the menu, a drop, the file pane):
    // "Поиск", "Распаковка" and every other dump command work on it. A picture or a system
    // file never takes its place, so those commands never read one as a dump.
    std::string OpenDumpPath;
    // The one save dialog's file name: the last file written.
    std::string SaveDialogPath;

    // "C10".
    Picture ImageView;
    // The picture "Открыть" on "C10" opened: "Просмотр" and "Кадр" work on it.
    std::string OpenImagePath;
    // The bytes of the picture file that "Открыть" read, for "Просмотр" and "Кадр" while
    // OpenImagePath still names it: a picture is read once per opening, not at every frame.
    std::string PictureFilePath;
    std::shared_ptr<const std::vector<std::uint8_t>> PictureFileBytes;
    std::string ImageNameLabel;
    std::string DimensionsLabel;
    std::string DataSizeEdit = "0";
    std::string FrameCountEdit = "0";
    std::string PaletteCountEdit = "0";
    std::string DataStartEdit = "0";
    std::string ImageWidthEdit = "0";
    std::string ImageHeightEdit = "0";
    bool PreviewButtonEnabled = true;
    bool NextFrameButtonEnabled = true;
    std::string NextFrameButtonCaption = "2";
};

// What start-up gives the grids: their header texts, and the current cell on the first cell
// that is not fixed.
void InitGrids(Form& form);

}  // namespace vesk
