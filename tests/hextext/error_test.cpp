#include "hextext/error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vesk {
namespace {

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(ErrorTexts, FormattedMessagesAreTheRuntimeTexts) {
    EXPECT_EQ(MessageOf([] { ThrowInvalidInteger("12a"); }), "'12a' is not a valid integer value");
    EXPECT_EQ(MessageOf([] { ThrowInvalidInteger(""); }), "'' is not a valid integer value");
    EXPECT_EQ(MessageOf([] { ThrowIoError(131); }), "I/O error 131");
    EXPECT_EQ(MessageOf([] { ThrowUnableToWrite("/x/vesk.ini"); }), "Unable to write to /x/vesk.ini");
    EXPECT_EQ(MessageOf([] { ThrowJpegError(42); }), "JPEG error #42");
    EXPECT_EQ(MessageOf([] { ThrowError(kReadBeyondEnd); }), "Read beyond end of file");
}

TEST(ErrorTexts, ErrorIsARuntimeError) {
    // The window's one handler catches std::exception; our error must reach it.
    EXPECT_THROW(ThrowError(kDiskFull), std::runtime_error);
}

}  // namespace
}  // namespace vesk
