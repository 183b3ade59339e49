#pragma once
// The fixed texts the reading commands show, and the route of HexAddrToDecStr's complaints.
#include <cstdint>
#include <string>
#include <string_view>

#include "form/host.h"
#include "hextext/hextext.h"

namespace vesk::messages {

inline constexpr std::string_view kCaption = "Vesk File Manager ";
inline constexpr std::string_view kUnknownListAddress = "Неизвестный адрес списка ";
inline constexpr std::string_view kListsEnd = "*** Конец ***";
inline constexpr std::string_view kReady = "Готово";
inline constexpr std::string_view kListCount = "Кол-во списков в памяти : ";
inline constexpr std::string_view kFileCount = "Всего файлов : ";
// "Поиск" with no list position, as a dump without lists leaves it.
inline constexpr std::string_view kNoListAddress =
    "Адрес списка не задан: в дампе не найдено ни одного списка файлов. Выберите список на странице "
    "«Настройки» или введите его адрес.";
// A name length that would let the name loop run to the end of the dump, or past the block that
// holds the list: the refusal names the value and says what is wanted.
inline constexpr std::int64_t kMaxNameLength = 4096;
inline std::string BadNameLength(std::string_view section, std::string_view key, const std::string& value) {
    const std::string name(key);
    return "Неверная длина имени в профиле: [" + std::string(section) + "] " + name + " = " + value +
           ". Нужна длина от 1 до " + std::to_string(kMaxNameLength) +
           " байт в виде 0x и шестнадцатеричных цифр, например " + name + "=0x0000000B.";
}

// Complaints of the conversions are modal boxes; the command goes on after them.
inline Complain ToHost(Host& host) {
    return [&host](const std::string& message) { host.ShowMessage(message); };
}

}  // namespace vesk::messages
