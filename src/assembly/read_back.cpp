// The read-back check of a build: the dump is opened, its list read and its files unpacked as the
// reading road does, and everything is compared with the build list it was made from.
#include <algorithm>
#include <cctype>
#include <exception>

#include "assembly/repack.h"
#include "config/settings.h"
#include "dump/file_list.h"
#include "dump/gather_files.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

// Where "Собрать" puts the list: block place 0 of sector 0.
constexpr std::int64_t kBuiltList = layout::BlockPlaceOffset(0);

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    }
}

std::string RowText(const BuiltFile& f) { return "Строка " + std::to_string(f.row) + " («" + f.name + "»)"; }

// The first field of the entry that is not what the row asks for.
std::optional<std::string> EntryDifference(const ListEntry& e, const BuiltFile& f) {
    const auto differs = [&](const char* what, const std::string& read, const std::string& wanted) {
        return RowText(f) + ": " + what + " читается как «" + read + "», а в списке сборки «" + wanted + "».";
    };
    // Numbers as the assembler takes them from their cells, hex texts without regard to case.
    const auto number = [](const std::string& cell, std::int64_t read) { return TryStrToInt(cell) == read; };
    if (e.name != f.name) return differs("имя", e.name, f.name);
    if (!number(f.size, e.size)) return differs("размер", std::to_string(e.size), f.size);
    if (e.address != Upper(f.address)) return differs("адрес", e.address, f.address);
    if (ByteToHex(e.groupCode) != Upper(f.group)) return differs("группа", ByteToHex(e.groupCode), f.group);
    if (!number(f.number, e.fileNumber)) return differs("номер", std::to_string(e.fileNumber), f.number);
    return std::nullopt;
}

std::optional<std::string> ContentDifference(const std::optional<std::vector<std::uint8_t>>& read, const BuiltFile& f) {
    if (!read) return RowText(f) + ": при распаковке ни один блок не принадлежит файлу.";
    if (read->size() == f.content.size() && std::equal(read->begin(), read->end(), f.content.begin())) return std::nullopt;
    const auto [r, w] = std::mismatch(read->begin(), read->end(), f.content.begin(), f.content.end());
    if (r == read->end() && w == f.content.end()) return std::nullopt;
    const auto at = static_cast<std::size_t>(r - read->begin());
    if (r != read->end() && w != f.content.end()) {
        return RowText(f) + ": содержимое расходится с файлом сборки с байта " + std::to_string(at) + ".";
    }
    return RowText(f) + ": распаковано байт: " + std::to_string(read->size()) + ", а в файле сборки " +
           std::to_string(f.content.size()) + ".";
}

}  // namespace

std::optional<std::string> ReadBackDifference(DumpReader& dump, const std::vector<BuiltFile>& files,
                                              const std::string& firmware, const ProgramFolder& folder) {
    // The profile's complaints were shown while building; the check only reads.
    const Complain quiet = [](const std::string&) {};
    const Settings settings(folder);
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, quiet);
    try {
        // "Открыть": the list that opening the new dump selects must be the one just built.
        const ListScan scan = ScanLists(dump, profile, AddressTables(settings));
        if (scan.stop) return "Новый дамп не открывается: " + scan.stop->message;
        const FoundList* selected = scan.Selected();
        if (!selected || selected->position != kBuiltList) {
            return "Открытие нового дампа выбирает " +
                   (selected ? "список " + ListPositionText(selected->position) : std::string("никакой список")) +
                   ", а собран список " + ListPositionText(kBuiltList) + ".";
        }

        // "Поиск": the entries in use are the rows, in order, and nothing more.
        const FileListRead read = ReadEntries(dump, ReadEntryLayout(profile, kBuiltList), NameDecoder(settings), GroupNames(settings));
        if (read.cut) return "Список нового дампа не читается: " + ErrorText(read.error);
        for (std::size_t i = 0; i < read.entries.size(); ++i) {
            const ListEntry& e = read.entries[i];
            if (i >= files.size()) {
                if (e.InUse()) return "В списке нового дампа лишняя запись " + std::to_string(i + 1) + ": «" + e.name + "».";
                continue;
            }
            if (const auto difference = EntryDifference(e, files[i])) return difference;
        }
        if (files.size() > read.entries.size()) {
            return RowText(files[read.entries.size()]) + ": в списке дампа только " + std::to_string(read.entries.size()) +
                   " записей.";
        }

        // "Распаковка": every file byte for byte.
        const auto contents = GatherFiles(dump, profile, settings, read.entries);
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (const auto difference = ContentDifference(contents[i], files[i])) return difference;
        }
    } catch (const Error& e) {
        return std::string("Новый дамп не читается: ") + e.what();
    }
    return std::nullopt;
}

}  // namespace vesk
