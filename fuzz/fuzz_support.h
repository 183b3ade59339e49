#pragma once
// What the fuzz targets share: the layout of their inputs (read here and written by the seed
// generator with the same code), a Host that only records, a scratch folder per process, and
// the check that a command left nothing where it should not.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form/host.h"

namespace vesk::fuzz {

// An input is a sequence of fields. A text is its bytes with every "\" doubled, ended by "\"
// and one other byte (or by the end of the input); a number is four bytes, low byte first,
// missing bytes reading as zero; the rest is whatever remains. Texts keep mutations local: a
// changed byte changes one field, not every field after it.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::string Text();
    // `bytes` (1 to 4) bytes, low byte first.
    std::uint32_t Number(int bytes = 4);
    std::vector<std::uint8_t> Rest();
    bool AtEnd() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class InputWriter {
public:
    InputWriter& Text(std::string_view text);
    InputWriter& Text(std::span<const std::uint8_t> bytes);
    InputWriter& Number(std::uint32_t value, int bytes = 4);
    InputWriter& Rest(std::span<const std::uint8_t> bytes);
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

class QuietHost : public SilentHost {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::string SelectedFile() const override { return selected; }

    std::vector<std::string> messages;
    std::string selected;
};

// An empty folder of this process's own, on tmpfs (/dev/shm) where there is one, with a trailing
// "/"; removed at exit.
const std::string& ScratchFolder();
// A second folder of this process's own, which MakeProgramFolder leaves alone: for what each
// input only changes (the reading road's dump).
const std::string& KeptFolder();
// The entries of a folder with the type the folder records for each (DT_DIR, DT_LNK, …, or
// DT_UNKNOWN where it records none; tmpfs always does), "." and ".." left out: a walk after every
// input, cheaper without a look at each entry. False where the folder cannot be read.
bool Entries(const std::string& folder, std::vector<std::pair<std::string, unsigned char>>& entries);
// Removes everything inside the folder, keeping the folder.
void ClearFolder(const std::string& folder);
void MakeFolder(const std::string& path);
void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteFile(const std::string& path, std::string_view text);
std::vector<std::uint8_t> ReadFile(const std::string& path);
// Whether the file at `path` holds exactly `bytes`, read through one buffer for the process: a
// whole copy of a file of megabytes would be a fresh buffer each time.
bool FileHolds(const std::string& path, std::span<const std::uint8_t> bytes);
// Every path under root, relative to it, sorted; folders end with "/".
std::vector<std::string> Tree(const std::string& root);

// Empties the scratch folder and makes a program folder one level down in it, with bins/,
// files/, vesk.ini and the profile T.ini; returns its path with a trailing "/". One level down,
// so that a file written beside the program folder shows: CheckNothingBesideProgramFolder checks that.
std::string MakeProgramFolder(const std::string& profile, const std::string& settings);
void CheckNothingBesideProgramFolder(const std::string& root);

// An invariant broke: says which, then aborts so that the fuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

}  // namespace vesk::fuzz
