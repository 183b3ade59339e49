#include "base/error.h"

#include <string>

namespace vesk {

void ThrowError(std::string_view message, std::string_view file) { throw Error(std::string(message), std::string(file)); }

void Refuse(std::string_view text) { throw Refusal(std::string(text)); }

void ThrowRefusal(std::string_view text, std::string_view file) { throw Refusal(std::string(text), std::string(file)); }

std::string BoxText(const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    if (!error || error->File().empty()) return e.what();
    return std::string(e.what()) + "\n" + error->File();
}

void ThrowInvalidInteger(std::string_view text) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

void ThrowIoError(int code, std::string_view file) {
    throw Error("I/O error " + std::to_string(code), std::string(file));
}

void ThrowUnableToWrite(std::string_view path) { throw Error("Unable to write to " + std::string(path), std::string(path)); }

void ThrowJpegError(int code) { throw Error("JPEG error #" + std::to_string(code)); }

}  // namespace vesk
