// Every hex-text conversion on any text and any number, with the round trips that hold for
// all of them.
//
// Input: a number, a bit count, a text, then bytes.
#include <cstdint>
#include <string>

#include "base/error.h"
#include "fuzz_support.h"
#include "hextext/hextext.h"

using namespace vesk;

namespace {

void Expect(bool holds, const std::string& what) {
    if (!holds) fuzz::Fail(what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const auto number = static_cast<std::int32_t>(in.Number());
    const std::uint32_t bits = in.Number();
    const std::string text = in.Text();
    const std::vector<std::uint8_t> bytes = in.Rest();

    // Any text.
    bool complained = false;
    const std::string decimal = HexAddrToDecStr(text, [&](const std::string&) { complained = true; });
    Expect(complained == !text.starts_with("0x"), "HexAddrToDecStr complains exactly without \"0x\"");
    Expect(TryStrToInt(decimal) == HexToInt(text.size() > 2 ? text.substr(2) : ""), "HexAddrToDecStr gives HexToInt's value");
    Expect(HexToDecStr(text) == std::to_string(HexToInt(text)), "HexToDecStr is HexToInt in decimal");
    (void)BinStrToInt(text);
    (void)HexTextToBlock(text);
    const std::optional<std::int32_t> parsed = TryStrToInt(text);
    if (parsed) {
        Expect(StrToInt(text) == *parsed, "StrToInt and TryStrToInt agree");
        Expect(DecStrToHexAddr(text) == "0x" + IntToHex8(*parsed), "DecStrToHexAddr is IntToHex8 of the value");
    } else {
        try {
            (void)StrToInt(text);
            fuzz::Fail("StrToInt took a text that TryStrToInt refused");
        } catch (const Error& e) {
            // what() is a C string: a text with a NUL byte is cut there.
            const std::string expected = "'" + text + "' is not a valid integer value";
            Expect(e.what() == expected.substr(0, expected.find('\0')), "the runtime's integer error text");
        }
    }

    // Any number.
    Expect(TryStrToInt(std::to_string(number)) == number, "decimal text reads back");
    const std::string hex8 = IntToHex8(number);
    Expect(hex8.size() == 8 && IntToHex4(number) == hex8.substr(4), "IntToHex4 is the low half of IntToHex8");
    if (number >= 0) {
        Expect(HexToInt(hex8) == number, "IntToHex8 reads back through HexToInt");
        Expect(HexAddrToDecStr("0x" + hex8, nullptr) == std::to_string(number), "an address text reads back");
    }
    const int count = static_cast<int>(bits % 41);  // the widest field any caller asks for, and some
    const std::string binary = IntToBinStr(number, count);
    Expect(binary.size() == static_cast<std::size_t>(count), "IntToBinStr gives count digits");
    if (count >= 8) Expect(BinStrToInt(binary) == (number & 0xFF), "the low eight bits read back");
    Expect(ByteToHex(number).size() == 2 && HexToInt(ByteToHex(number)) == (number & 0xFF), "ByteToHex reads back");
    const auto rgb565 = static_cast<std::uint16_t>(number);
    Expect(ColorToRgb565(Rgb565ToColor(rgb565)) == rgb565, "RGB565 survives a colour round trip");
    Expect(Rgb565ToColor(ColorToRgb565(static_cast<std::uint32_t>(number))) ==
               (static_cast<std::uint32_t>(number) & 0xF8FCF8u),
           "a colour keeps its high bits through RGB565");

    // Any bytes: hex text and back, 0x7C being the one byte written as "|".
    const std::string hexText = BytesToHexText(bytes);
    const HexBlock block = HexTextToBlock(hexText);
    for (std::size_t k = 0; k < bytes.size() && k < kHexBlockBytes; ++k) {
        if (bytes[k] == 0x7C) break;  // the pairs after a "|" are shifted by one character
        Expect(block[k] == bytes[k], "a byte survives hex text");
    }
    return 0;
}
