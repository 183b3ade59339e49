// blank, format, build: the "Новый VESK" page of the window.
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "cli/session.h"

namespace vesk::cli {
namespace {

// The window makes bins/ at start-up; the building commands need it.
void MakeBins(const Session& s) {
    std::error_code ec;
    if (std::filesystem::is_directory(s.folder.Bins(), ec)) return;
    std::filesystem::create_directories(s.folder.Bins(), ec);
    if (ec) ThrowUnableToWrite(s.folder.Bins());
}

// The new dump is made under this name beside the old one, and takes the old one's place only
// when the whole build has succeeded: a refused build leaves bins/NAME as it was.
std::string PartialName(const std::string& name) { return name + ".vesk-partial"; }

int LastTakenRow(const TextGrid& grid) {
    int last = 0;
    for (int r = 1; r < std::max(grid.RowCount(), grid.StoredRows()); ++r) {
        if (!grid.Cell(kBuildPathCol, r).empty()) last = r;
    }
    return last;
}

// Removes the partial dump unless the build got through.
class PartialFile {
public:
    explicit PartialFile(std::string path) : path_(std::move(path)) {}
    ~PartialFile() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

}  // namespace

void RunBlank(Session& s) {
    MakeBins(s);
    s.form.BuildNameEdit = s.Operand(0);
    MakeBlankDump(s.form, s.host, s.folder);
}

void RunFormat(Session& s) {
    s.form.BuildNameEdit = s.Operand(0);
    FormatDump(s.form, s.host, s.folder);
}

void RunBuild(Session& s) {
    const Invocation& inv = s.invocation;
    if (inv.operands.size() < 2 && !inv.system) throw UsageError("nothing to build: give a FILE or --system");
    const std::string name = s.Operand(0);
    MakeBins(s);

    // The build list first, as the user gathers it in the window: the system files, then each
    // file as "Добавить" takes the file selected in the file pane. Nothing is written yet.
    if (inv.system) AddSystemFiles(s.form, s.host, s.folder);
    for (std::size_t i = 1; i < inv.operands.size(); ++i) {
        s.host.Select(std::filesystem::absolute(inv.operands[i]).lexically_normal().string());
        AddSelectedFile(s.form, s.host, s.folder);
    }
    // "Собрать" leaves rows past the last it takes out without a word. Every file named on the
    // command line is meant to go in, so a longer list is refused before anything is written.
    if (const int rows = LastTakenRow(s.form.BuildGrid); rows > assembly::kMaxBuildRows) {
        Refuse("Сборка отменена: в списке сборки " + std::to_string(rows) + " файлов, а в дамп входят не больше " +
               std::to_string(assembly::kMaxBuildRows) + ".");
    }

    if (inv.inPlace) {
        // "Собрать" alone, on the file as it stands.
        s.form.BuildNameEdit = name;
        AssembleDump(s.form, s.host, s.folder);
        return;
    }

    // "Пустой "FF" файл", "Форматировать" and "Собрать" on a file of its own.
    s.form.BuildNameEdit = PartialName(name);
    PartialFile partial(s.folder.Bins() + s.form.BuildNameEdit);
    MakeBlankDump(s.form, s.host, s.folder);
    FormatDump(s.form, s.host, s.folder);
    AssembleDump(s.form, s.host, s.folder);
    std::error_code ec;
    std::filesystem::rename(s.folder.Bins() + s.form.BuildNameEdit, s.folder.Bins() + name, ec);
    if (ec) ThrowUnableToWrite(s.folder.Bins() + name);
    partial.Keep();
    s.form.BuildNameEdit = name;
}

}  // namespace vesk::cli
