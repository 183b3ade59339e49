#include "support/error_text.h"

#include "base/error.h"

namespace vesk::test {

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

}  // namespace vesk::test
