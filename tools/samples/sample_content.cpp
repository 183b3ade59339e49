#include "samples/sample_content.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "hextext/hextext.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"

namespace vesk::samples {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Rgb565(int r, int g, int b) { return ColorToRgb565(PackColor(r, g, b)); }

Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

// UTF-8 with its byte order mark, which [EXT] knows as a text.
Bytes BomText(const std::string& text) {
    return Text("\xEF\xBB\xBF" + text);
}

Picture Draw(int width, int height, const std::function<std::uint32_t(int, int)>& color) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetPixel(x, y, color(x, y));
    return picture;
}

int Clamp(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// Hue 0..360 at full saturation, as 8-bit channels.
std::uint32_t Hue(double h) {
    auto channel = [h](double offset) {
        const double d = std::fabs(std::fmod(h / 60.0 + offset, 6.0) - 3.0) - 1.0;
        return Clamp(255 * std::clamp(d, 0.0, 1.0));
    };
    return PackColor(channel(0), channel(4), channel(2));
}

bool InsideStar(double x, double y) {
    const double r = std::hypot(x, y), a = std::atan2(y, x);
    return r < 0.45 + 0.45 * std::pow(std::fabs(std::cos(2.5 * a)), 3);
}

bool InsideHeart(double x, double y) {
    const double a = x * x + y * y - 1;
    return a * a * a - x * x * y * y * y < 0;
}

// A format-0 MIDI file: one track of notes (key, length in ticks), 96 ticks a quarter note.
Bytes Midi(int program, const std::vector<std::pair<int, int>>& notes) {
    Bytes track{0x00, 0xC0, static_cast<std::uint8_t>(program)};
    for (const auto& [key, ticks] : notes) {
        track.insert(track.end(), {0x00, 0x90, static_cast<std::uint8_t>(key), 0x60});
        // The length as a variable-length quantity (two bytes cover every length used here).
        if (ticks >= 0x80) track.push_back(static_cast<std::uint8_t>(0x80 | ticks >> 7));
        track.insert(track.end(), {static_cast<std::uint8_t>(ticks & 0x7F), 0x80, static_cast<std::uint8_t>(key), 0x40});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes file = Text("MThd");
    file.insert(file.end(), {0, 0, 0, 6, 0, 0, 0, 1, 0, 96});
    const Bytes mtrk = Text("MTrk");
    file.insert(file.end(), mtrk.begin(), mtrk.end());
    const auto n = static_cast<std::uint32_t>(track.size());
    file.insert(file.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                             static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

void PutLe(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// 8-bit mono PCM at 8000 Hz: a tone of the given pitch that fades out.
Bytes Wave(double hertz, int samples) {
    Bytes data;
    for (int i = 0; i < samples; ++i) {
        const double fade = 1.0 - static_cast<double>(i) / samples;
        data.push_back(static_cast<std::uint8_t>(128 + 100 * fade * std::sin(2 * std::numbers::pi * hertz * i / 8000.0)));
    }
    Bytes file = Text("RIFF");
    PutLe(file, static_cast<std::uint32_t>(36 + data.size()), 4);
    const Bytes head = Text("WAVEfmt ");
    file.insert(file.end(), head.begin(), head.end());
    PutLe(file, 16, 4);
    PutLe(file, 1, 2);     // PCM
    PutLe(file, 1, 2);     // mono
    PutLe(file, 8000, 4);  // samples a second
    PutLe(file, 8000, 4);  // bytes a second
    PutLe(file, 1, 2);     // bytes a sample frame
    PutLe(file, 8, 2);     // bits a sample
    const Bytes chunk = Text("data");
    file.insert(file.end(), chunk.begin(), chunk.end());
    PutLe(file, static_cast<std::uint32_t>(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

Bytes VCard(const std::string& family, const std::string& given, const std::string& phone) {
    return Text("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8:" + family + ";" + given + "\r\nTEL;CELL:" + phone +
                "\r\nEND:VCARD\r\n");
}

}  // namespace

std::vector<C10Frame> BallFrames() {
    const int n = kBallSize;
    const std::uint16_t floorDark = Rgb565(40, 96, 40), floorLight = Rgb565(112, 184, 96);
    const std::uint16_t white = Rgb565(255, 255, 255);
    const int frames = 6;
    std::vector<C10Frame> out;
    for (int f = 0; f < frames; ++f) {
        // Each frame's ball has its own colour, so each frame has its own palette.
        const std::uint16_t ball = ColorToRgb565(Hue(60.0 * f));
        C10Frame frame;
        frame.palette = {ball, white, floorDark, floorLight};
        const double height = std::fabs(std::cos(std::numbers::pi * f / frames));
        const double cx = 12 + 8.0 * f, cy = 38 - 26 * height, radius = 9;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                std::uint16_t color;
                if (y >= 48) {
                    // The floor: squares of four pixels (indexed fills).
                    color = ((x / 4 + y / 4 + f) % 2) ? floorLight : floorDark;
                } else if (y >= 46) {
                    // A rainbow band: a colour of its own every pixel (direct runs).
                    color = ColorToRgb565(Hue(360.0 * x / n + 30.0 * f + 90.0 * (y - 46)));
                } else {
                    // The sky: one colour a row, outside the palette (direct fills).
                    color = Rgb565(60 + 2 * y, 120 + 2 * y, 255);
                }
                const double dx = x - cx, dy = y - cy;
                if (dx * dx + dy * dy <= radius * radius) {
                    // Stripes one pixel wide (indexed runs).
                    color = ((x + y) % 2) ? ball : white;
                }
                frame.pixels.push_back(color);
            }
        }
        out.push_back(std::move(frame));
    }
    return out;
}

C10Frame BackgroundFrame() {
    C10Frame frame;
    // Palette entries chosen so that byte 9 of the file (entry 3's high byte) is not 0x09.
    frame.palette = {Rgb565(24, 24, 64), Rgb565(248, 224, 96), Rgb565(240, 240, 255), Rgb565(200, 64, 32)};
    for (int y = 0; y < kBackgroundHeight; ++y) {
        for (int x = 0; x < kBackgroundWidth; ++x) {
            std::uint16_t color = frame.palette[0];
            if ((x * 7 + y * 13) % 37 == 0) color = frame.palette[2];  // stars
            if (std::hypot(x - 36, y - 9) < 6) color = frame.palette[1];  // the moon
            if (y >= 26) color = Rgb565(16, 64 + 6 * (y - 26) + (x % 3) * 8, 32);  // grass, outside the palette
            if (y >= 22 && y < 26 && x >= 6 && x < 14) color = frame.palette[3];  // a roof
            frame.pixels.push_back(color);
        }
    }
    return frame;
}

std::vector<SampleFile> SampleFiles() {
    std::vector<SampleFile> files;
    auto add = [&files](std::string name, std::string extension, Bytes content) {
        files.push_back({std::move(name), std::move(extension), std::move(content)});
    };

    // Pictures: JPEG, BMP, C10 (the program's own direct-run form and the two showcase files).
    add("Закат", ".jpg", EncodeJpeg(Draw(96, 72, [](int x, int y) {
            return y < 48 ? PackColor(255, 120 + y * 2, 40 + x / 2) : PackColor(20, 30 + (x * y) % 40, 90);
        })));
    add("Море", ".jpg", EncodeJpeg(Draw(96, 72, [](int x, int y) {
            return PackColor(30, 90 + static_cast<int>(30 * std::sin(x / 6.0 + y / 3.0)), 160 + y);
        })));
    add("Горы", ".jpg", EncodeJpeg(Draw(80, 60, [](int x, int y) {
            const bool rock = y > 20 + 15 * std::fabs(std::sin(x / 11.0));
            return rock ? PackColor(110, 100 + y, 90) : PackColor(170, 210, 255);
        })));
    add("Цветок", ".jpg", EncodeJpeg(Draw(64, 64, [](int x, int y) {
            const double dx = x - 32, dy = y - 32, r = std::hypot(dx, dy), a = std::atan2(dy, dx);
            if (r < 6) return PackColor(255, 210, 0);
            if (r < 18 + 8 * std::cos(5 * a)) return PackColor(230, 60, 120);
            return PackColor(40, 140, 60);
        })));
    add("Узор", ".bmp", EncodeBmp(Draw(48, 48, [](int x, int y) { return PackColor((x ^ y) * 5, x * 5, y * 5); })));
    add("Шахматы", ".bmp", EncodeBmp(Draw(48, 48, [](int x, int y) {
            return (x / 6 + y / 6) % 2 ? PackColor(240, 220, 180) : PackColor(120, 70, 30);
        })));
    add("Радуга", ".bmp", EncodeBmp(Draw(48, 32, [](int x, int y) { return Hue(7.5 * x + y); })));
    add("Звезда", ".c10", EncodeC10(Draw(32, 32, [](int x, int y) {
            return InsideStar((x - 15.5) / 16, (y - 15.5) / 16) ? PackColor(255, 220, 0) : PackColor(0, 0, 64);
        })));
    add("Сердце", ".c10", EncodeC10(Draw(32, 32, [](int x, int y) {
            return InsideHeart((x - 15.5) / 11, (16 - y) / 11) ? PackColor(220, 0, 40) : PackColor(255, 255, 255);
        })));
    add("Смайл", ".c10", EncodeC10(Draw(32, 32, [](int x, int y) {
            const double r = std::hypot(x - 15.5, y - 15.5);
            const bool eye = std::hypot(std::fabs(x - 15.5) - 6, y - 11) < 2.5;
            const bool mouth = r > 8 && r < 10.5 && y > 18;
            if (r < 14 && !eye && !mouth) return PackColor(255, 210, 0);
            return r < 14 ? PackColor(0, 0, 0) : PackColor(80, 160, 255);
        })));
    const std::vector<C10Frame> ball = BallFrames();
    add("Шарик", ".c10", EncodeHeaderForm(kBallSize, kBallSize, ball));
    add("Фон", ".c10", EncodeTrailerForm(kBackgroundWidth, kBackgroundHeight, BackgroundFrame()));

    // Melodies: General MIDI programs, 96 ticks a quarter note.
    add("Вальс", ".mid", Midi(0, {{67, 192}, {72, 96}, {76, 96}, {79, 288}, {77, 96}, {76, 96}, {74, 288}}));
    add("Марш", ".mid", Midi(56, {{60, 96}, {60, 48}, {64, 48}, {67, 96}, {67, 96}, {64, 96}, {60, 192}}));
    add("Гамма", ".mid", Midi(11, {{60, 48}, {62, 48}, {64, 48}, {65, 48}, {67, 48}, {69, 48}, {71, 48}, {72, 192}}));
    add("Звонок", ".mid", Midi(80, {{76, 24}, {79, 24}, {76, 24}, {79, 24}, {76, 24}, {79, 24}, {84, 144}}));
    add("Сигнал", ".mid", Midi(9, {{88, 48}, {84, 48}, {88, 48}, {84, 48}}));
    // Sounds.
    add("Клик", ".wav", Wave(1200, 400));
    add("Бип", ".wav", Wave(880, 2000));
    // Texts, messages, the phone book and a Java descriptor.
    add("Заметка", ".txt", BomText("Позвонить в сервис в понедельник.\r\nВзять зарядку.\r\n"));
    add("Покупки", ".txt", BomText("Хлеб\r\nМолоко\r\nЧай\r\nБатарейки AA\r\n"));
    add("Привет", ".txt", BomText("Привет! Буду в семь, встречай у метро.\r\n"));
    add("Встреча", ".txt", BomText("Встреча перенесена на среду, 15:00.\r\n"));
    add("Олег", ".vcf", VCard("Петров", "Олег", "+79001234567"));
    add("Анна", ".vcf", VCard("Смирнова", "Анна", "+79007654321"));
    add("Сергей", ".vcf", VCard("Иванов", "Сергей", "+79005550101"));
    add("Игра", ".jad", Text("MIDlet-Name: Tetris\r\nMIDlet-Version: 1.0\r\nMIDlet-Vendor: Sample\r\n"
                             "MIDlet-Jar-Size: 0\r\nMIDlet-Jar-URL: Tetris.jar\r\n"));
    return files;
}

}  // namespace vesk::samples
