#pragma once
// The one error type of the program. A failure carries the old program's text exactly, since the
// window shows it as it is (docs/COMPATIBILITY.md, Errors). It lives at the bottom layer because
// the integer conversions already raise it.
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace vesk {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    Error(const std::string& message, std::string file) : std::runtime_error(message), file_(std::move(file)) {}

    // The file the error concerns, "" when it concerns none. what() stays the kept text; the
    // window shows the file on a line of its own, the command line before the text.
    const std::string& File() const { return file_; }

private:
    std::string file_;
};

// The program's own check ending a command: a message box with a fixed Russian text that says
// why. It travels like any error and is caught in the same one place in the window and in the
// command line; a message that the command goes on after is a Host call instead.
class Refusal : public Error {
public:
    using Error::Error;
};

[[noreturn]] void Refuse(std::string_view text);
// A refusal that concerns a file: the window shows it under the text, the command line before it.
[[noreturn]] void ThrowRefusal(std::string_view text, std::string_view file);

// Runs `action`; an error or refusal from it that names no file comes out naming `file`.
template <typename Action>
decltype(auto) NamingFile(const std::string& file, Action&& action) {
    try {
        return action();
    } catch (const Refusal& e) {
        if (!e.File().empty()) throw;
        throw Refusal(e.what(), file);
    } catch (const Error& e) {
        if (!e.File().empty()) throw;
        throw Error(e.what(), file);
    }
}

// The text a message box shows for an error: its own text, and the file it concerns on a second line.
std::string BoxText(const std::exception& e);

// The texts without parameters (docs/COMPATIBILITY.md, Errors).
inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kFileAccessDenied = "File access denied";
inline constexpr std::string_view kReadBeyondEnd = "Read beyond end of file";
inline constexpr std::string_view kDiskFull = "Disk full";
inline constexpr std::string_view kBitmapNotValid = "Bitmap image is not valid";

// `file`, when given, is the file the error concerns (Error::File).
[[noreturn]] void ThrowError(std::string_view message, std::string_view file = {});
// "'%s' is not a valid integer value"
[[noreturn]] void ThrowInvalidInteger(std::string_view text);
// "I/O error %d"
[[noreturn]] void ThrowIoError(int code, std::string_view file = {});
// "Unable to write to %s"
[[noreturn]] void ThrowUnableToWrite(std::string_view path);
// "JPEG error #%d"
[[noreturn]] void ThrowJpegError(int code);

}  // namespace vesk
