#pragma once
// The commands of the command line, their options, usage lines and help, and the parsing of an
// argument list into an Invocation.
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::cli {

// Bad usage: the message names what is wrong; the command (when known) chooses the usage line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum Option : unsigned {
    kHome = 1u << 0,
    kFirmware = 1u << 1,
    kHelp = 1u << 2,
    kJson = 1u << 3,
    kList = 1u << 4,
    kAll = 1u << 5,
    kOut = 1u << 6,
    kSystem = 1u << 7,
    kInPlace = 1u << 8,
    kFrame = 1u << 9,
    kDelay = 1u << 10,
    kWith = 1u << 11,
    // vesk repack: the new dump, and the changes of the build list, applied in the order given.
    kOutDump = 1u << 12,
    kReplace = 1u << 13,
    kRemove = 1u << 14,
    kRename = 1u << 15,
    kAdd = 1u << 16,
    kCompact = 1u << 17,  // convert: the compact C10
    kConvert = 1u << 18,  // repack: a replacing picture takes the old one's kind and size
};

// An option that may repeat, with its values, in the order of the command line.
struct Change {
    Option option;
    std::vector<std::string> values;
};

struct Session;
// What runs a command: one of the Run* functions of session.h.
// A reference, not a pointer: a runner cannot be null.
using Runner = void (&)(Session&);

// A row of the command table. The runner stands right after the name, so a row written without
// one does not compile.
struct CommandSpec {
    std::string_view name;
    Runner run;
    std::string_view operands;  // as the usage line shows them
    unsigned options;           // besides the common ones
    int minOperands;
    int maxOperands;  // -1: no limit
    std::string_view summary;
    std::string_view details;
};

// Every command, in the order `vesk --help` lists them.
std::span<const CommandSpec> Commands();
const CommandSpec* FindCommand(std::string_view name);

// "usage: vesk files DUMP [--list 0xNNNNNNNN] ..." or, without a command, the general one.
std::string UsageLine(const CommandSpec* command);
std::string CommandHelp(const CommandSpec& command);
std::string GeneralHelp();

struct Invocation {
    const CommandSpec* command = nullptr;  // null with a bare --help
    std::vector<std::string> operands;
    std::optional<std::string> home;
    std::optional<std::string> firmware;
    std::optional<std::string> list;
    std::optional<std::string> out;
    std::optional<std::string> with;  // diff: the second list's position
    int frame = 1;
    std::optional<int> delay;  // --delay, milliseconds
    std::vector<Change> changes;
    bool json = false;
    bool all = false;
    bool system = false;
    bool inPlace = false;
    bool compact = false;
    bool convert = false;
    bool help = false;
};

// Throws UsageError; `command` receives the command as soon as it is known, so that the
// caller can print the right usage line.
Invocation ParseArguments(const std::vector<std::string>& args, const CommandSpec** command);

}  // namespace vesk::cli
