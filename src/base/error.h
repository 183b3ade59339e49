#pragma once
// The one error type of the program. A failure carries the old program's text exactly, since the
// window shows it as it is (docs/COMPATIBILITY.md, Errors). It lives at the bottom layer because
// the integer conversions already raise it.
#include <stdexcept>
#include <string>
#include <string_view>

namespace vesk {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's own check ending a command: a message box with a fixed Russian text that says
// why. It travels like any error and is caught in the same one place in the window and in the
// command line; a message that the command goes on after is a Host call instead.
class Refusal : public Error {
public:
    using Error::Error;
};

[[noreturn]] void Refuse(std::string_view text);

// The texts without parameters (docs/COMPATIBILITY.md, Errors).
inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kFileAccessDenied = "File access denied";
inline constexpr std::string_view kReadBeyondEnd = "Read beyond end of file";
inline constexpr std::string_view kDiskFull = "Disk full";
inline constexpr std::string_view kBitmapNotValid = "Bitmap image is not valid";

[[noreturn]] void ThrowError(std::string_view message);
// "'%s' is not a valid integer value"
[[noreturn]] void ThrowInvalidInteger(std::string_view text);
// "I/O error %d"
[[noreturn]] void ThrowIoError(int code);
// "Unable to write to %s"
[[noreturn]] void ThrowUnableToWrite(std::string_view path);
// "JPEG error #%d"
[[noreturn]] void ThrowJpegError(int code);

}  // namespace vesk
