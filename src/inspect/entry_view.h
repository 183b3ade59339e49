#pragma once
// Beyond the window's own commands: one file of a dump's list seen without unpacking it, and what
// it holds, judged by its content. The entry viewer and the tooltips of "Список", `vesk cat` and
// `vesk info DUMP NAME` read files and judge them here alike.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "dump/file_list.h"
#include "hextext/hextext.h"
#include "inspect/inspection.h"
#include "picture/c10_codec.h"
#include "platform/picture.h"

namespace vesk {

enum class ContentKind { C10, Jpeg, Bmp, Png, Gif, Text, Other };

struct ContentInfo {
    ContentKind kind = ContentKind::Other;
    // "C10", "JPEG", "BMP", "PNG", "GIF", "text", or for anything else the [EXT] extension the
    // file is unpacked with (".mid").
    std::string kindName;
    std::string encoding;  // text: "UTF-8" or "Windows-1251"
    // A picture that its reader refuses or that ends before its pixels do; `problem` says why.
    bool damaged = false;
    std::string problem;
    int width = 0;
    int height = 0;
    int frames = 0;
    std::optional<C10Properties> c10;  // a C10 file's properties, as "Открыть" reads them

    bool IsPicture() const { return kind != ContentKind::Text && kind != ContentKind::Other; }
};

// What the bytes hold. The picture kinds are told by their signatures, C10 (which has none) by
// its layout: a header or trailer form whose runs cover every pixel inside the file. `extension`
// is what [EXT] gives the file; it names the kind of anything that is no picture and no text.
// Never throws for any bytes: a picture that does not decode comes back damaged.
ContentInfo JudgeContent(std::span<const std::uint8_t> bytes, const std::string& extension);

// One line for people: "C10 64 x 64, кадров: 6", "текст (UTF-8)", "JPEG (повреждён: ...)",
// "файл .mid".
std::string DescribeContent(const ContentInfo& info);

// A text file's characters as UTF-8: a byte order mark dropped, Windows-1251 converted.
std::string ContentText(std::span<const std::uint8_t> bytes, const ContentInfo& info);

// The first frame of a JPEG, BMP, PNG or GIF file (a GIF's as a viewer shows it). Throws the
// reader's error.
Picture DecodePicture(std::span<const std::uint8_t> bytes, ContentKind kind);

// The frames of a C10 file as the "Кадр" button steps through them: each drawn over the one
// before, the next frame found through the frame header after the current data, the last one
// reached when the frame count that header holds is passed.
class C10Frames {
public:
    // Reads the properties and draws frame 1; throws what the codec throws.
    explicit C10Frames(std::vector<std::uint8_t> bytes);

    const Picture& Shown() const { return picture_; }
    int Frame() const { return frame_; }
    int FrameCount() const { return frameCount_; }
    bool HasNext() const { return frame_ < frameCount_; }
    // Draws the next frame; throws what the codec throws (the frame drawn so far stays).
    void Next();
    // Back to frame 1.
    void Restart();

private:
    std::vector<std::uint8_t> bytes_;
    C10Properties first_;
    C10FrameProperties current_;
    Picture picture_;
    int frame_ = 0;
    int frameCount_ = 0;
};

// One file of a list, in memory, as unpacking would write it.
struct EntryFile {
    ListEntry entry;
    std::string fileName;   // the name unpacking gives its file, without extension ("Фон (2)")
    std::string extension;  // what [EXT] gives for its first bytes (".c10")
    bool written = false;   // a block belongs to it: unpacking writes its file
    std::vector<std::uint8_t> bytes;

    std::string FullName() const { return fileName + extension; }
};

struct ListFiles {
    std::string dump;
    std::int64_t list = 0;
    std::vector<EntryFile> files;  // the entries in use, in list order
};

// The files of the list at `list` (else the one "Открыть" selects) of the dump at `path`, with the
// program folder's settings and the named firmware's profile. Read failures travel as
// vesk::Error; a dump without lists is refused.
ListFiles ReadListFiles(const std::string& path, std::optional<std::int64_t> list, const ProgramFolder& folder,
                        const std::string& firmware, const Complain& complain);

// The file called `name`: the name unpacking gives it (with or without its extension), else the
// one entry of that name. Refused when there is none, or when the name is an entry's twice over
// and names no file ("Фон" and "Фон (2)" tell them apart).
const EntryFile& FindEntryFile(const ListFiles& files, const std::string& name);

// The bytes of one block place of a dump (4096; erased past the end of a short dump), with where
// its owner tag and its content lie, as the map reads them.
struct BlockBytes {
    int sector = 0;
    int place = 0;
    std::int64_t offset = 0;  // in the dump
    std::vector<std::uint8_t> bytes;
    std::int64_t tagLength = 0;  // the owner tag from the block's start: 2 (address) or 11 (name)
    std::int64_t contentStart = 0;
    std::int64_t contentLength = 0;
    std::string owner;  // the tag's owner text, "" for none
};
BlockBytes ReadBlockBytes(const std::string& dumpPath, const Inspection& inspection, int sector, int place);

}  // namespace vesk
