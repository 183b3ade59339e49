// cat, and info DUMP NAME: one file of a dump's list, read in memory as unpacking would write it,
// as the entry viewer shows it. Nothing is written to disk.
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "cli/json_writer.h"
#include "cli/picture_fields.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "inspect/entry_view.h"
#include "picture/content_judge.h"

namespace vesk::cli {
namespace {

ListFiles ReadOperandList(Session& s) {
    std::optional<std::int64_t> list;
    if (s.invocation.list) list = ListPositionValue(*s.invocation.list, messages::ToHost(s.host));
    return ReadListFiles(s.Operand(0), list, s.folder, s.form.FirmwareCombo, messages::ToHost(s.host));
}

// An entry that no block belongs to has no file: unpacking writes none, so there is nothing to show.
void RequireFile(const EntryFile& file) {
    if (!file.written) Refuse("У файла «" + file.entry.name + "» нет ни одного блока: распаковка его не записывает.");
}

// The fields `vesk info PICTURE` shows; for the kinds without them, as "Открыть" fills them for a
// BMP or JPEG file: the file's size, one frame, no palette.
std::vector<Field> PictureFields(const ContentInfo& info, std::int64_t size) {
    C10Properties p;
    if (info.c10) {
        p = *info.c10;
    } else {
        p.dataSize = size;
        p.frameCount = info.frames;
        p.width = info.width;
        p.height = info.height;
    }
    return PropertyFields(p);
}

}  // namespace

void RunCat(Session& s) {
    const ListFiles files = ReadOperandList(s);
    const EntryFile& file = FindEntryFile(files, s.Operand(1));
    RequireFile(file);
    s.out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
}

void RunEntryInfo(Session& s) {
    const ListFiles files = ReadOperandList(s);
    const EntryFile& file = FindEntryFile(files, s.Operand(1));
    RequireFile(file);
    const ContentInfo info = JudgeContent(file.bytes, file.extension);
    const auto size = static_cast<std::int64_t>(file.bytes.size());
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject()
            .Key("dump").String(files.dump)
            .Key("list").String(ListPositionText(files.list))
            .Key("name").String(file.entry.name)
            .Key("file").String(file.FullName())
            .Key("size").Number(size)
            .Key("extension").String(file.extension)
            .Key("kind").String(info.kindName);
        if (info.kind == ContentKind::Text) json.Key("encoding").String(info.encoding);
        if (info.IsPicture()) {
            json.Key("form");
            if (info.c10) json.String(C10FormWords(info.c10->form).key); else json.Null();
            for (const Field& f : PictureFields(info, size)) json.Key(f.key).Number(f.value);
            json.Key("damaged").Bool(info.damaged);
            if (info.damaged) json.Key("problem").String(info.problem);
        }
        json.EndObject().End();
        return;
    }
    std::string kindText = DescribeContent(info);
    if (info.c10) kindText += C10FormWords(info.c10->form).text;
    std::vector<TextRow> rows = {{"Дамп", files.dump},
                                 {"Список", ListPositionText(files.list)},
                                 {"Имя", file.entry.name},
                                 {"Файл", file.FullName()},
                                 {"Длина", std::to_string(size)},
                                 {"Формат", kindText}};
    if (info.IsPicture()) {
        for (const Field& f : PictureFields(info, size)) rows.push_back({f.caption, std::to_string(f.value)});
    }
    WriteTable(s.out, rows);
}

}  // namespace vesk::cli
