#pragma once
// The text of the vesk::Error that an action throws, "" when it throws none.
#include <functional>
#include <string>

namespace vesk::test {

std::string ErrorOf(const std::function<void()>& action);

// The refusal of a profile's name length, word for word as the user reads it.
inline std::string NameLengthRefusal(const std::string& value) {
    return "Неверная длина имени в профиле: [Offsets] Name = " + value +
           ". Нужна длина от 1 до 4096 байт в виде 0x и шестнадцатеричных цифр, например Name=0x0000000B.";
}

}  // namespace vesk::test
