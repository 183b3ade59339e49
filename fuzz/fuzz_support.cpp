#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vesk::fuzz {

namespace fs = std::filesystem;

std::string InputReader::Text() {
    std::string text;
    while (at_ < size_) {
        const char c = static_cast<char>(data_[at_++]);
        if (c != '\\') {
            text += c;
            continue;
        }
        if (at_ < size_ && data_[at_] == '\\') {
            text += '\\';
            ++at_;
            continue;
        }
        ++at_;  // the byte after a single "\" ends the text and is not part of anything
        break;
    }
    return text;
}

std::uint32_t InputReader::Number() {
    std::uint32_t value = 0;
    for (int k = 0; k < 4 && at_ < size_; ++k) value |= static_cast<std::uint32_t>(data_[at_++]) << (8 * k);
    return value;
}

std::vector<std::uint8_t> InputReader::Rest() {
    std::vector<std::uint8_t> rest(data_ + std::min(at_, size_), data_ + size_);
    at_ = size_;
    return rest;
}

InputWriter& InputWriter::Text(std::string_view text) {
    return Text(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

InputWriter& InputWriter::Text(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        data_.push_back(b);
        if (b == '\\') data_.push_back(b);
    }
    data_.push_back('\\');
    data_.push_back('\n');
    return *this;
}

InputWriter& InputWriter::Number(std::uint32_t value) {
    for (int k = 0; k < 4; ++k) data_.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    return *this;
}

InputWriter& InputWriter::Rest(std::span<const std::uint8_t> bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
}

void WriteDump(InputWriter& out, std::span<const std::uint8_t> dump) {
    out.Number(static_cast<std::uint32_t>(dump.size()));
    // Runs of non-erased bytes; short erased gaps stay inside a run, which keeps the runs few.
    constexpr std::size_t kGap = 16;
    std::size_t i = 0;
    while (i < dump.size()) {
        if (dump[i] == 0xFF) {
            ++i;
            continue;
        }
        std::size_t end = i + 1, erased = 0;
        for (std::size_t k = end; k < dump.size() && erased < kGap; ++k) {
            erased = dump[k] == 0xFF ? erased + 1 : 0;
            if (dump[k] != 0xFF) end = k + 1;
        }
        out.Number(static_cast<std::uint32_t>(i)).Text(dump.subspan(i, end - i));
        i = end;
    }
}

std::vector<std::uint8_t> ReadDump(InputReader& in, std::size_t maxLength) {
    const std::size_t length = in.Number() % (maxLength + 1);
    std::vector<std::uint8_t> dump(length, 0xFF);
    while (!in.AtEnd()) {
        const std::size_t at = in.Number() % (length + 1);
        const std::string run = in.Text();
        const std::size_t n = std::min(run.size(), length - at);
        std::copy_n(run.begin(), n, dump.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return dump;
}

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "vesk-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
        path = pattern + "/";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

const std::string& ScratchFolder() {
    static const Scratch scratch;
    return scratch.path;
}

void ClearFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        // A test may leave a file without rights; they come back so it can go.
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(entry.path(), ec);
    }
}

std::string MakeProgramFolder(const std::string& profile, const std::string& settings) {
    ClearFolder(ScratchFolder());
    const std::string root = ScratchFolder() + "program/";
    fs::create_directories(root + "bins");
    fs::create_directories(root + "files");
    WriteFile(root + "T.ini", profile);
    WriteFile(root + "vesk.ini", settings);
    return root;
}

void CheckNothingBesideProgramFolder(const std::string& root) {
    if (Tree(ScratchFolder()).size() != Tree(root).size() + 1) Fail("a file appeared beside the program folder");
}

void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write " + path);
}

void WriteFile(const std::string& path, std::string_view text) {
    WriteFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    // One read of the whole file: an iterator over a 3 MiB dump costs more than the command
    // under test once the sanitizers count every byte.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string relative = fs::relative(it->path(), root).string();
        if (it->is_directory() && !it->is_symlink()) relative += "/";
        paths.push_back(std::move(relative));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace vesk::fuzz
