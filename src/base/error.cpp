#include "base/error.h"

#include <string>

namespace vesk {

void ThrowError(std::string_view message) { throw Error(std::string(message)); }

void Refuse(std::string_view text) { throw Refusal(std::string(text)); }

void ThrowInvalidInteger(std::string_view text) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

void ThrowIoError(int code) { throw Error("I/O error " + std::to_string(code)); }

void ThrowUnableToWrite(std::string_view path) { throw Error("Unable to write to " + std::string(path)); }

void ThrowJpegError(int code) { throw Error("JPEG error #" + std::to_string(code)); }

}  // namespace vesk
