#include "picture/c10_compact.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/error.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"

namespace vesk {
namespace {

constexpr int kMaxCount = 63;      // six bits of count in a control byte
constexpr int kMaxPalette = 255;   // the palette count is one byte
constexpr std::size_t kMaxDataSize = 0xFFFF;
constexpr std::uint8_t kLeadAfterFrame = 0x01;  // see the header: a direct run of one pixel
constexpr std::uint8_t kNoIndex = 0xFF;  // palette indices end at 254
constexpr int kColours = 65536;
constexpr int kPaletteRounds = 3;  // later rounds rarely drop a colour that matters

enum RunKind : unsigned { kDirectRun = 0, kIndexedRun = 1, kDirectFill = 2, kIndexedFill = 3 };

// The bytes of a run: its control byte and what follows it.
std::size_t RunLength(std::uint8_t control) {
    const std::size_t count = control & kMaxCount;
    switch (control >> 6) {
    case kDirectRun: return 1 + 2 * count;
    case kIndexedRun: return 1 + count;
    case kDirectFill: return 3;
    default: return 2;
    }
}

std::string SizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Starts of runs that may end at the current pixel, with their keys increasing from the front:
// the front is the cheapest start of the last 63 (a sliding-window minimum). Never more than 63
// entries, so a ring of 64 holds them.
class StartWindow {
public:
    void Clear() { head_ = tail_; }
    int Start() const { return start_[head_ & 63]; }
    std::int32_t Key() const { return key_[head_ & 63]; }
    void DropBefore(int first) {
        while (head_ != tail_ && start_[head_ & 63] < first) ++head_;
    }
    void Push(int start, std::int32_t key) {
        while (head_ != tail_ && key_[(tail_ - 1) & 63] >= key) --tail_;
        start_[tail_ & 63] = start;
        key_[tail_ & 63] = key;
        ++tail_;
    }

private:
    std::array<int, 64> start_{};
    std::array<std::int32_t, 64> key_{};
    unsigned head_ = 0, tail_ = 0;
};

// One frame's palette and runs, the bytes its data size counts.
struct FrameData {
    std::vector<std::uint16_t> palette;
    std::vector<std::uint8_t> stream;
    std::size_t Size() const { return 2 * palette.size() + stream.size(); }
};

// What each colour saved against coding the same runs without a palette: a byte for each pixel
// of an indexed run and for each indexed fill. At most a byte a pixel, of at most 65,025 pixels.
using Savings = std::vector<std::uint16_t>;

// Finds the shortest stream for a frame's RGB565 pixels with a given palette, by dynamic
// programming over the pixels: the cheapest way to code the first j pixels is the cheapest way
// to code the first i plus one run over i..j. Fewer pixels never cost more (cut the last run),
// so a fill is cheapest from the earliest start it may have, and the two kinds of run take the
// cheapest start from a sliding window: linear time.
class FrameCoder {
public:
    explicit FrameCoder(std::span<const std::uint16_t> pixels)
        : pixels_(pixels),
          last_(pixels.size() + 1),
          index_(kColours, kNoIndex) {}

    // The length of the frame's data with this palette and the shortest runs for it, which stay
    // in Runs() until the next call; adds to `saved` what each palette colour saved in them.
    // With `everyColourIndexed` every colour is priced as if it had an index at no cost, which
    // tells which colours an index would pay for.
    std::size_t Find(const std::vector<std::uint16_t>& palette, Savings& saved, bool everyColourIndexed = false) {
        SetIndices(palette);
        FindRuns(everyColourIndexed);
        for (std::size_t j = pixels_.size(); j > 0; j -= last_[j] & kMaxCount) {
            const unsigned kind = last_[j] >> 6;
            if (kind == kIndexedRun) {
                for (std::size_t k = j - (last_[j] & kMaxCount); k < j; ++k) ++saved[pixels_[k]];
            } else if (kind == kIndexedFill) {
                ++saved[pixels_[j - 1]];
            }
        }
        ClearIndices(palette);
        return 2 * palette.size() + static_cast<std::size_t>(streamSize_);
    }

    // For each pixel count j, the control byte of the last run covering the first j pixels. The
    // caller may swap it for another vector of the same size, to keep it past the next Find.
    std::vector<std::uint8_t>& Runs() { return last_; }

    // The palette and the stream of the runs that Find gave for this palette. The runs are known
    // from the last one back, so the stream is measured, then filled from its end.
    FrameData Write(const std::vector<std::uint16_t>& palette, const std::vector<std::uint8_t>& runs) {
        std::size_t length = 0;
        for (std::size_t j = pixels_.size(); j > 0; j -= runs[j] & kMaxCount) length += RunLength(runs[j]);
        SetIndices(palette);
        FrameData data;
        data.palette = palette;
        data.stream.resize(length);
        std::uint8_t* at = data.stream.data() + data.stream.size();
        const auto putWord = [](std::uint8_t* to, std::uint16_t value) {
            to[0] = static_cast<std::uint8_t>(value & 0xFF);
            to[1] = static_cast<std::uint8_t>(value >> 8);
        };
        for (std::size_t j = pixels_.size(); j > 0;) {
            const std::uint8_t control = runs[j];
            const std::size_t count = control & kMaxCount;
            const std::uint16_t* covered = pixels_.data() + (j - count);
            j -= count;
            switch (control >> 6) {
            case kDirectRun:
                at -= 2 * count;
                for (std::size_t k = 0; k < count; ++k) putWord(at + 2 * k, covered[k]);
                break;
            case kIndexedRun:
                at -= count;
                for (std::size_t k = 0; k < count; ++k) at[k] = index_[covered[k]];
                break;
            case kDirectFill:
                at -= 2;
                putWord(at, covered[0]);
                break;
            default:
                at -= 1;
                *at = index_[covered[0]];
                break;
            }
            *--at = control;
        }
        ClearIndices(palette);
        return data;
    }

private:
    void SetIndices(const std::vector<std::uint16_t>& palette) {
        for (std::size_t i = 0; i < palette.size(); ++i) index_[palette[i]] = static_cast<std::uint8_t>(i);
    }
    void ClearIndices(const std::vector<std::uint16_t>& palette) {
        for (const std::uint16_t colour : palette) index_[colour] = kNoIndex;
    }

    void FindRuns(bool every) {
        const int n = static_cast<int>(pixels_.size());
        StartWindow direct, indexed;
        int equalFrom = 0;  // where the stretch of pixels equal to the current one starts
        // The fewest bytes for the first j pixels. No run reaches back more than 63 pixels, so
        // the last 64 of them are all that is ever looked up.
        std::array<std::int32_t, 64> cost;
        const auto costAt = [&cost](int j) -> std::int32_t& { return cost[static_cast<std::size_t>(j) & 63]; };
        costAt(0) = 0;
        for (int j = 1; j <= n; ++j) {
            const int i = j - 1;  // the newest start: a run of the current pixel alone
            const std::uint16_t colour = pixels_[static_cast<std::size_t>(i)];
            const bool hasIndex = every || index_[colour] != kNoIndex;
            if (i > 0 && colour != pixels_[static_cast<std::size_t>(i - 1)]) equalFrom = i;
            const int first = std::max(0, j - kMaxCount);

            direct.DropBefore(first);
            direct.Push(i, costAt(i) - 2 * i);  // 1 + 2 bytes a pixel
            std::int32_t best = direct.Key() + 2 * j + 1;
            unsigned control = kDirectRun << 6 | static_cast<unsigned>(j - direct.Start());

            if (hasIndex) {
                indexed.DropBefore(first);
                indexed.Push(i, costAt(i) - i);  // 1 + 1 byte a pixel
                if (const std::int32_t c = indexed.Key() + j + 1; c < best) {
                    best = c;
                    control = kIndexedRun << 6 | static_cast<unsigned>(j - indexed.Start());
                }
            } else {
                indexed.Clear();  // no indexed run reaches across this pixel
            }

            const int fillFrom = std::max(equalFrom, first);
            if (const std::int32_t c = costAt(fillFrom) + (hasIndex ? 2 : 3); c < best) {
                best = c;
                control = (hasIndex ? kIndexedFill : kDirectFill) << 6 | static_cast<unsigned>(j - fillFrom);
            }
            costAt(j) = best;
            last_[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(control);
        }
        streamSize_ = costAt(n);
    }

    std::span<const std::uint16_t> pixels_;
    std::vector<std::uint8_t> last_;  // last_[j]: the control byte of the last run of the best coding
    std::vector<std::uint8_t> index_;  // each colour's palette index, kNoIndex outside the palette
    std::int32_t streamSize_ = 0;
};

// The colours (of `colours`, kept in their order) that saved more than their two palette bytes,
// at most `most` of them: those that saved most.
std::vector<std::uint16_t> Paying(const std::vector<std::uint16_t>& colours, const Savings& saved, std::size_t most) {
    std::vector<std::uint16_t> paying;
    for (const std::uint16_t c : colours) {
        if (saved[c] > 2) paying.push_back(c);
    }
    if (paying.size() > most) {
        std::vector<std::uint16_t> best = paying;
        std::nth_element(best.begin(), best.begin() + static_cast<std::ptrdiff_t>(most - 1), best.end(),
                         [&](std::uint16_t a, std::uint16_t b) { return saved[a] > saved[b]; });
        const int threshold = saved[best[most - 1]];
        // Those above the most-th saving, then as many of those equal to it as fit, in order.
        std::size_t above = 0;
        for (const std::uint16_t c : paying) above += saved[c] > threshold;
        std::size_t equalRoom = most - above;
        std::erase_if(paying, [&](std::uint16_t c) {
            if (saved[c] > threshold) return false;
            if (saved[c] == threshold && equalRoom > 0) return --equalRoom, false;
            return true;
        });
    }
    return paying;
}

// A floor under the stream without a palette: a pixel of a direct run costs two bytes at least,
// a fill three for at most 63 equal pixels, and the control bytes of runs are left out.
std::size_t NoPaletteFloor(std::span<const std::uint16_t> pixels) {
    std::size_t floor = 0;
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t equal = 1;
        while (i + equal < pixels.size() && pixels[i + equal] == pixels[i]) ++equal;
        const std::size_t fills = equal / kMaxCount, rest = equal % kMaxCount;
        floor += std::min(3 * fills + 2 * rest, 3 * (fills + (rest > 0)));
        i += equal;
    }
    return floor;
}

// The palette is chosen by trying: every colour when there are at most 255 (else the 255 that an
// index would save most on), then only those that paid for their entry in the result, until
// nothing more is dropped (three rounds at most). No palette at all is tried too, unless the best
// so far beats anything it could give: a palette never makes a frame larger.
FrameData EncodeFrame(const Picture& picture) {
    std::vector<std::uint16_t> pixels(picture.pixels.size());
    std::transform(picture.pixels.begin(), picture.pixels.end(), pixels.begin(), ColorToRgb565);
    if (pixels.empty()) return {};

    std::vector<std::uint16_t> colours;  // in order of first appearance
    {
        std::vector<bool> seen(kColours);
        for (const std::uint16_t c : pixels) {
            if (!seen[c]) {
                seen[c] = true;
                colours.push_back(c);
            }
        }
    }
    const auto clear = [](Savings& saved, const std::vector<std::uint16_t>& of) {
        for (const std::uint16_t c : of) saved[c] = 0;
    };

    FrameCoder coder(pixels);
    Savings saved(kColours);
    std::size_t bestSize = SIZE_MAX;
    std::vector<std::uint16_t> bestPalette;
    std::vector<std::uint8_t> bestRuns(pixels.size() + 1);
    const auto keep = [&](std::size_t size, const std::vector<std::uint16_t>& palette) {
        if (size >= bestSize) return;
        bestSize = size;
        bestPalette = palette;
        bestRuns.swap(coder.Runs());
    };

    std::vector<std::uint16_t> palette = colours;
    if (colours.size() > kMaxPalette) {
        coder.Find({}, saved, true);
        palette = Paying(colours, saved, kMaxPalette);
        clear(saved, colours);
    }
    for (int round = 0; round < kPaletteRounds && !palette.empty(); ++round) {
        keep(coder.Find(palette, saved), palette);
        std::vector<std::uint16_t> paying = Paying(palette, saved, kMaxPalette);
        clear(saved, palette);
        if (paying.size() == palette.size()) break;
        palette = std::move(paying);
    }
    if (bestSize > NoPaletteFloor(pixels)) keep(coder.Find({}, saved), {});
    return coder.Write(bestPalette, bestRuns);
}

std::vector<std::uint8_t> HeaderBytes(int frameCount, std::size_t dataSize, std::size_t paletteCount, bool first) {
    C10FrameHeader header;
    header.lead = first ? header.lead : kLeadAfterFrame;
    header.frameCount = static_cast<std::uint8_t>(frameCount);
    header.dataSize = static_cast<std::uint16_t>(dataSize <= kMaxDataSize ? dataSize : 0);
    header.paletteCount = static_cast<std::uint8_t>(paletteCount);
    const auto bytes = header.Bytes();
    return {bytes.begin(), bytes.end()};
}

void CheckChainable(int frameNumber, std::size_t dataSize) {
    if (dataSize <= kMaxDataSize) return;
    Refuse("Нельзя сохранить в C10 анимацию: кадр " + std::to_string(frameNumber) + " занимает " + std::to_string(dataSize) +
           " байт, а размер кадра в C10 не больше " + std::to_string(kMaxDataSize) +
           " (в кадре слишком много разных точек подряд). Файл не записан.");
}

}  // namespace

void CheckC10Size(int width, int height) {
    // The header keeps one byte a side: a larger picture would come back as another size.
    if (width > kC10MaxSide || height > kC10MaxSide) {
        Refuse("Нельзя сохранить в C10 изображение " + SizeText(width, height) + ": в C10 не больше " +
               std::to_string(kC10MaxSide) + " точек по ширине и по высоте. Файл не записан.");
    }
}

struct C10FrameWriter::Frame {
    FrameData data;
};

C10FrameWriter::C10FrameWriter() = default;
C10FrameWriter::~C10FrameWriter() = default;

void C10FrameWriter::Add(const Picture& frame) {
    if (frames_.empty()) {
        CheckC10Size(frame.width, frame.height);
        width_ = frame.width;
        height_ = frame.height;
    } else if (frame.width != width_ || frame.height != height_) {
        Refuse("Нельзя сохранить в C10 анимацию из кадров разного размера: кадр 1 " + SizeText(width_, height_) + ", кадр " +
               std::to_string(frames_.size() + 1) + " " + SizeText(frame.width, frame.height) + ". Файл не записан.");
    }
    if (frames_.size() == kC10MaxFrames) {
        Refuse("Нельзя сохранить в C10 анимацию больше чем из " + std::to_string(kC10MaxFrames) +
               " кадров: число кадров в C10 занимает один байт. Файл не записан.");
    }
    frames_.push_back({EncodeFrame(frame)});
    // Only an animation needs a frame's data size, to find the frame after it.
    if (frames_.size() == 2) CheckChainable(1, frames_[0].data.Size());
    if (frames_.size() >= 2) CheckChainable(static_cast<int>(frames_.size()), frames_.back().data.Size());
}

std::vector<std::uint8_t> C10FrameWriter::Finish() const {
    if (frames_.empty()) Refuse("Нельзя сохранить в C10 анимацию без кадров. Файл не записан.");
    std::size_t size = 2;
    for (const Frame& frame : frames_) size += C10FrameHeader::kSize + frame.data.Size();
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(width_), static_cast<std::uint8_t>(height_)};
    out.reserve(size);
    const int count = static_cast<int>(frames_.size());
    for (const Frame& frame : frames_) {
        const FrameData& data = frame.data;
        const std::vector<std::uint8_t> header = HeaderBytes(count, data.Size(), data.palette.size(), &frame == &frames_.front());
        out.insert(out.end(), header.begin(), header.end());
        for (const std::uint16_t colour : data.palette) PutWord(out, colour);
        out.insert(out.end(), data.stream.begin(), data.stream.end());
    }
    return out;
}

std::vector<std::uint8_t> EncodeC10Compact(const Picture& picture) {
    C10FrameWriter writer;
    writer.Add(picture);
    return writer.Finish();
}

std::vector<std::uint8_t> EncodeC10Frames(const std::vector<Picture>& frames) {
    C10FrameWriter writer;
    for (const Picture& frame : frames) writer.Add(frame);
    return writer.Finish();
}

}  // namespace vesk
