// info, convert: the "C10" page of the window, "Открыть", "Кадр" and "Сохранить"; beyond the
// window, convert to an animated GIF or a compact C10, a GIF to an animated C10, and thumbnail.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "cli/json_writer.h"
#include "cli/picture_fields.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "picture/animation.h"
#include "picture/c10_compact.h"
#include "picture/commands.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk::cli {
namespace {

using Kind = PictureKind;

// The command line has no dialog entry to choose: the extension tells the kind.
Kind KindOf(const std::string& path) {
    if (const auto kind = KindOfExtension(path)) return *kind;
    throw UsageError("\"" + path + "\": the kind of picture comes from the extension .c10, .bmp, .jpg, .jpeg or .png");
}

// GIF is only written, by convert, and read only by convert into a C10.
bool IsGif(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".gif";
}

// "Открыть" on the C10 page with the kind's entry, which always reads the file.
OpenedImage Open(Session& s, const std::string& path, Kind kind) { return *OpenImage(s.form, s.host, path, kind); }

// Every frame of the GIF into one compact C10; the window reads no GIF, so nothing of it is used.
void ConvertGif(Session& s, const std::string& in, const std::string& out) {
    if (IsGif(out) || KindOf(out) != Kind::C10) throw UsageError("a .gif IN converts to a .c10 OUT only");
    if (s.invocation.frame != 1) throw UsageError("--frame applies to a C10 IN only: a .gif IN gives all its frames");
    const std::vector<std::uint8_t> c10 = NamingFile(in, [&] { return ConvertGifToC10(ReadWholeFile(in)); });
    WriteWholeFile(out, c10, Durability::Durable);
}

}  // namespace

void RunInfo(Session& s) {
    if (s.invocation.operands.size() == 2) {
        RunEntryInfo(s);
        return;
    }
    if (s.invocation.list) throw UsageError("--list applies to info DUMP NAME only");
    const std::string& path = s.Operand(0);
    const Kind kind = KindOf(path);
    const OpenedImage opened = Open(s, path, kind);
    const bool c10 = opened.kind == PictureKind::C10;
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("file").String(path).Key("kind").String(std::string(InfoOf(kind).name)).Key("form");
        if (c10) json.String(C10FormWords(opened.properties.form).key); else json.Null();
        for (const Field& f : PropertyFields(opened.properties)) json.Key(f.key).Number(f.value);
        json.EndObject().End();
        return;
    }
    std::string kindText(InfoOf(kind).name);
    if (c10) kindText += C10FormWords(opened.properties.form).text;
    std::vector<TextRow> rows = {{"Файл", path}, {"Формат", kindText}};
    for (const Field& f : PropertyFields(opened.properties)) rows.push_back({f.caption, std::to_string(f.value)});
    WriteTable(s.out, rows);
}

void RunConvert(Session& s) {
    const std::string& in = s.Operand(0);
    const std::string& out = s.Operand(1);
    const bool gif = IsGif(out);
    if (s.invocation.delay && !gif) throw UsageError("--delay applies to a .gif OUT only");
    if (IsGif(in)) {
        ConvertGif(s, in, out);
        return;
    }
    const Kind inKind = KindOf(in);
    const Kind outKind = gif ? Kind::Png : KindOf(out);
    if (s.invocation.compact && (gif || outKind != Kind::C10)) throw UsageError("--compact applies to a .c10 OUT only");
    int frameCount = Open(s, in, inKind).properties.frameCount;

    // Frame N is where N - 1 presses of the "Кадр" button lead; a press needs the button enabled.
    for (int frame = 2; frame <= s.invocation.frame; ++frame) {
        if (!s.form.NextFrameButtonEnabled) {
            Refuse("Нет кадра " + std::to_string(s.invocation.frame) + " в файле " + in + " (кадров: " +
                   std::to_string(frameCount) + ")");
        }
        frameCount = NextFrame(s.form, s.host).frameCount;
    }

    if (gif) {
        SaveAnimation(s.form, s.host, out, s.invocation.delay.value_or(kDefaultFrameDelayMs));
        return;
    }
    if (s.invocation.compact) {
        // Encoded before the file is created: a refusal leaves the old file, or none.
        WriteWholeFile(out, EncodeC10Compact(s.form.ImageView), Durability::Durable);
        return;
    }
    // As "Сохранить" writes the kind, to exactly the name OUT.
    WritePicture(s.form.ImageView, out, outKind);
}

void RunThumbnail(Session& s) {
    const std::string& in = s.Operand(0);
    const std::string& out = s.Operand(1);
    const std::string& sizeText = s.Operand(2);
    int size = 0;
    const auto [end, ec] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (ec != std::errc() || end != sizeText.data() + sizeText.size() || size < 1 || size > 4096) {
        throw UsageError("SIZE is a number of pixels from 1 to 4096, not \"" + sizeText + "\"");
    }
    Open(s, in, KindOf(in));
    const Picture& picture = s.form.ImageView;
    if (picture.pixels.empty()) {
        Refuse("Нет миниатюры для " + in + ": изображение пустое (" + std::to_string(picture.width) + " x " +
               std::to_string(picture.height) + ")");
    }
    const std::vector<std::uint8_t> png = EncodePng(FitWithin(picture, size));
    // A thumbnail is a copy the desktop makes again whenever it is missing: no flushing, which on
    // a busy disk costs more than the thumbnail. A thumbnail service (tumbler) makes OUT and then
    // reads the file it holds open: the thumbnail must go into that file, not into a new one
    // renamed over its name.
    if (WriteIntoCallersFile(out, png, Durability::Replaceable)) return;
    WriteWholeFile(out, png, Durability::Replaceable);
}

}  // namespace vesk::cli
