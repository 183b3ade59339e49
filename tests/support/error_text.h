#pragma once
// The text of the vesk::Error that an action throws, "" when it throws none.
#include <functional>
#include <string>

namespace vesk::test {

std::string ErrorOf(const std::function<void()>& action);

}  // namespace vesk::test
