// blank, format, build: the "Новый VESK" page of the window.
#include <filesystem>
#include <string>

#include "assembly/build_file.h"
#include "assembly/build_rows.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "cli/session.h"
#include "platform/file_output.h"
#include "platform/folders.h"

namespace vesk::cli {
namespace {

// The window makes bins/ at start-up; the building commands need it.
void MakeBins(const Session& s) { MakeFolders(s.folder.Bins()); }

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

    s.form.BuildNameEdit = name;
    if (inv.inPlace) {
        // "Собрать" alone, on the file as it stands.
        AssembleDump(s.form, s.host, s.folder);
        return;
    }
    // "Пустой "FF" файл", "Форматировать" and "Собрать" on an image in memory, which then
    // replaces bins/NAME in one step: a refused or failed build leaves the old dump as it was,
    // and of two builds of one name at once the dump is one whole build or the other.
    std::vector<std::uint8_t> image = BlankImage();
    FormatImage(image, FormatHeader(s.folder), s.host);
    AssembleImage(s.form, s.host, s.folder, image);
    const std::string path = assembly::BuildFilePath(s.form, s.folder);
    WriteWholeFile(path, image, Durability::Durable);
    s.form.SaveDialogPath = path;
}

}  // namespace vesk::cli
