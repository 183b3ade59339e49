#include "base/error.h"
#include "support/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <type_traits>
#include <string>

namespace vesk {
namespace {

using test::ErrorOf;

TEST(ErrorTexts, FormattedMessagesAreTheRuntimeTexts) {
    EXPECT_EQ(ErrorOf([] { ThrowInvalidInteger("12a"); }), "'12a' is not a valid integer value");
    EXPECT_EQ(ErrorOf([] { ThrowInvalidInteger(""); }), "'' is not a valid integer value");
    EXPECT_EQ(ErrorOf([] { ThrowIoError(131); }), "I/O error 131");
    EXPECT_EQ(ErrorOf([] { ThrowUnableToWrite("/x/vesk.ini"); }), "Unable to write to /x/vesk.ini");
    EXPECT_EQ(ErrorOf([] { ThrowJpegError(42); }), "JPEG error #42");
    EXPECT_EQ(ErrorOf([] { ThrowError(kReadBeyondEnd); }), "Read beyond end of file");
}

// The window's one handler catches std::exception; our error must reach it.
static_assert(std::is_base_of_v<std::runtime_error, Error>);

}  // namespace
}  // namespace vesk
