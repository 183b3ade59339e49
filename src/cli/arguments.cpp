#include "cli/arguments.h"

#include "cli/session.h"

#include <algorithm>
#include <ranges>
#include <cctype>
#include <charconv>

namespace vesk::cli {
namespace {

struct OptionSpec {
    std::string_view name;
    Option bit;
    std::string_view value;  // empty for a flag; "NAME FILE" names two values
    std::string_view help;
    int values = 1;          // how many arguments follow a valued option
};

constexpr unsigned kCommon = kHome | kFirmware | kHelp;

const OptionSpec kOptions[] = {
    {"--list", kList, "0xNNNNNNNN", "read the list at this position instead of the one the scan selects"},
    {"--all", kAll, "", "show all 100 entries, unused ones too"},
    {"--out", kOut, "DIR", "write into DIR (made when missing); unpack writes into the settings' unpack folder without it"},
    {"--with", kWith, "0xNNNNNNNN", "diff: the list at this position is the second one compared"},
    {"--out", kOutDump, "NEWDUMP", "write the new dump to NEWDUMP instead of replacing DUMP (kept as DUMP.bak)"},
    {"--replace", kReplace, "NAME FILE", "the entry NAME takes the content of FILE; its address, group and number stay", 2},
    {"--remove", kRemove, "NAME", "leave the entry NAME out"},
    {"--rename", kRename, "OLD NEW", "the entry OLD is called NEW", 2},
    {"--add", kAdd, "FILE", "a new entry after the last one, as \"Добавить\" fills it"},
    {"--convert", kConvert, "", "a --replace FILE that is a picture of another kind or size than the entry's picture is fitted into its size (aspect kept, the rest black) and written in its kind"},
    {"--system", kSystem, "", "put the system files of [Files] onto the build list first"},
    {"--in-place", kInPlace, "", "assemble into the existing bins/NAME without blanking and formatting it"},
    {"--frame", kFrame, "N", "convert frame N (from 1) of a C10 file"},
    {"--delay", kDelay, "MS", "show each frame of a .gif OUT for MS milliseconds (default 200)"},
    {"--compact", kCompact, "", "write a .c10 OUT with a palette and runs: the same pixels in fewer bytes"},
    {"--json", kJson, "", "print the listing as JSON"},
    {"--home", kHome, "DIR", "program folder with vesk.ini, the profiles and bins/ (default: the folder of vesk; installed in /usr, ~/.local/share/vesk)"},
    {"--firmware", kFirmware, "NAME", "firmware profile NAME.ini (default: the one the window selects at start)"},
    {"--help", kHelp, "", "show this help"},
};

// The option of that name among the allowed ones (two commands may give one name different meanings).
const OptionSpec* FindOption(std::string_view name, unsigned allowed) {
    for (const OptionSpec& o : kOptions) {
        if (o.name == name && (allowed & o.bit)) return &o;
    }
    return nullptr;
}

bool IsListPosition(std::string_view text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    return std::all_of(text.begin() + 2, text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

int FrameNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1) {
        throw UsageError("--frame takes a frame number from 1, not \"" + std::string(text) + "\"");
    }
    return value;
}

int DelayMs(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 10 || value > 655350) {
        throw UsageError("--delay takes milliseconds from 10 to 655350, not \"" + std::string(text) + "\"");
    }
    return value;
}

void Apply(Invocation& inv, const OptionSpec& option, const std::vector<std::string>& values) {
    const std::string& value = values.front();
    switch (option.bit) {
    case kHome:
        if (value.empty()) throw UsageError("--home needs a folder");
        inv.home = value;
        break;
    case kFirmware: inv.firmware = value; break;
    case kHelp: inv.help = true; break;
    case kJson: inv.json = true; break;
    case kList:
        if (!IsListPosition(value)) throw UsageError("--list takes a list position such as 0x00000842, not \"" + value + "\"");
        inv.list = value;
        break;
    case kAll: inv.all = true; break;
    case kOut:
        if (value.empty()) throw UsageError("--out needs a folder");
        inv.out = value;
        break;
    case kSystem: inv.system = true; break;
    case kInPlace: inv.inPlace = true; break;
    case kFrame: inv.frame = FrameNumber(value); break;
    case kDelay: inv.delay = DelayMs(value); break;
    case kCompact: inv.compact = true; break;
    case kConvert: inv.convert = true; break;
    case kWith:
        if (!IsListPosition(value)) throw UsageError("--with takes a list position such as 0x00000842, not \"" + value + "\"");
        inv.with = value;
        break;
    case kOutDump:
        if (value.empty()) throw UsageError("--out needs a file name");
        inv.out = value;
        break;
    case kReplace:
    case kRemove:
    case kRename:
    case kAdd:
        for (const std::string& v : values) {
            if (v.empty()) throw UsageError(std::string(option.name) + " takes " + std::string(option.value) + ", not an empty text");
        }
        inv.changes.push_back({option.bit, values});
        break;
    }
}

// Options that may be given again and again, each applied in its turn.
constexpr unsigned kRepeating = kReplace | kRemove | kRename | kAdd;

std::string OptionUsage(const OptionSpec& o) {
    return "[" + std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value)) + "]" +
           ((o.bit & kRepeating) ? "..." : "");
}

}  // namespace

namespace {

constexpr CommandSpec kCommands[] = {
    {"lists", RunLists, "DUMP", kJson, 1, 1, "every file list in the dump: position, current or older, the selected one",
     "Scans the 48 sector headers as \"Открыть\" does. The selected list is the one that files and\n"
     "unpack read when --list is not given."},
    {"files", RunFiles, "DUMP", kList | kAll | kJson, 1, 1,
     "the entries of the selected (or given) list: number, name, size, address, group, file number",
     "Reads the list as \"Поиск\" does. Without --all only the entries with a name are shown.\n"
     "With --list the scan is skipped, so a dump whose scan stops can still be read."},
    {"unpack", RunUnpack, "DUMP [NAME...]", kList | kOut, 1, -1, "unpack the files of the selected (or given) list",
     "Reads the list and unpacks it as \"Поиск\" and \"Распаковка\" do. The default folder is the\n"
     "unpack folder of vesk.ini ([Temp] Files), or files/ of the program folder when that is empty;\n"
     "vesk.ini is never written. With NAMEs only the entries of those names are unpacked."},
    {"repack", RunRepack, "DUMP", kList | kOutDump | kReplace | kRemove | kRename | kAdd | kConvert, 1, 1,
     "change files of a dump: the list into a build list, the changes, a checked build",
     "Takes the selected (or given) list into a build list as \"В сборку\" does (nothing is unpacked\n"
     "to disk), applies the changes in the order given, then builds every entry as \"Собрать всё\"\n"
     "does: the new dump is read back and checked entry for entry and byte for byte before it\n"
     "replaces DUMP (or NEWDUMP); the previous file is kept as .bak. Older lists are not carried\n"
     "over. A NAME that is not in the list, or is in it twice, is refused before anything is written.\n"
     "With --convert, every --replace of a picture by a picture of another kind or size converts it\n"
     "in memory (C10 in the compact coding); an entry or FILE that is no picture is refused. Each\n"
     "replaced picture whose kind or size changed is named on standard error after the build."},
    {"blank", RunBlank, "NAME", 0, 1, 1, "\"Пустой \"FF\" файл\": bins/NAME, 48 sectors of 0xFF",
     "Creates or empties bins/NAME in the program folder (bins/ is made when missing)."},
    {"format", RunFormat, "NAME", 0, 1, 1, "\"Форматировать\": the sector header [HEX] 01 at the start of each sector",
     "Formats the existing bins/NAME in place."},
    {"build", RunBuild, "NAME FILE...", kSystem | kInPlace, 1, -1, "a dump bins/NAME from the files (and the system files)",
     "Puts each FILE onto the build list as \"Добавить\" does (the system files of [Files] first,\n"
     "with --system), then makes a blank, formatted image and assembles the list into it as\n"
     "\"Собрать\" does. The new dump replaces bins/NAME only when the build succeeds. With\n"
     "--in-place the list is assembled into the existing bins/NAME as it stands."},
    {"info", RunInfo, "PICTURE | DUMP NAME", kJson | kList, 1, 2,
     "the property fields of a C10, BMP, JPEG or PNG file, or what a file of a dump holds",
     "Opens the picture as \"Открыть\" on the C10 page does; the kind comes from the extension\n"
     "(.c10, .bmp, .jpg, .jpeg, .png). With DUMP NAME: the file NAME of the selected (or given)\n"
     "list, read in memory as unpacking would write it, described as the window's viewer does:\n"
     "its kind judged by its content (C10, JPEG, BMP, PNG, GIF, text, or the extension it is\n"
     "unpacked with), its size, and for a picture the same fields. NAME is the entry's name or\n"
     "the name unpacking gives its file (\"NAME (2)\" for the second entry of a name)."},
    {"cat", RunCat, "DUMP NAME", kList, 2, 2, "write one file of a dump to standard output, as unpacking would write it",
     "Reads the selected (or given) list and writes the bytes of the file NAME, exactly the bytes\n"
     "\"Распаковка\" writes into its file, to standard output. Nothing is written to disk. NAME\n"
     "is the entry's name or the name unpacking gives its file (\"NAME (2)\", with or without the\n"
     "extension)."},
    {"convert", RunConvert, "IN OUT", kFrame | kDelay | kCompact, 2, 2, "convert a picture; the kinds come from the extensions of IN and OUT",
     "Opens IN as \"Открыть\" does and saves as \"Сохранить\" does, to exactly the name OUT.\n"
     "Extensions: .c10, .bmp, .jpg, .jpeg, .png; OUT may also be .gif. --frame steps to that frame\n"
     "as the \"Кадр\" button does. A .gif OUT holds that frame and every frame after it, each as\n"
     "\"Кадр\" reaches it, as one animation (a still picture when there is only one).\n"
     "--compact writes a .c10 OUT with a palette and runs instead of three bytes a pixel; it\n"
     "opens to the same pixels. A .gif IN goes to a .c10 OUT only: every frame, as a viewer shows\n"
     "it, becomes a frame of one compact C10 that \"Кадр\" steps through (at most 255 frames of\n"
     "at most 255 x 255 pixels)."},
    {"thumbnail", RunThumbnail, "IN OUT SIZE", 0, 3, 3, "a PNG thumbnail of a picture, no larger than SIZE x SIZE",
     "Opens IN as info does (a C10 file shows its first frame), shrinks it to fit into SIZE x SIZE\n"
     "pixels with its aspect kept (a smaller picture keeps its size) and writes it to OUT as PNG,\n"
     "whatever OUT's extension. The desktop's thumbnailer for C10 files runs this."},
    {"map", RunMap, "DUMP", kList | kJson, 1, 1, "what each of the 720 block places holds: erased, list, file, orphan, data",
     "One line per sector, one character per place, as the \"Карта\" page shows them. A place is a\n"
     "file's when a FAT slot names it and its owner tag is an entry's of the chosen list (the given\n"
     "one, else the one the scan selects)."},
    {"check", RunCheck, "DUMP", kList | kJson, 1, 1, "the dump check: errors and warnings, each with its places, slots and entries",
     "Checks the lists, the FAT and the chosen list's files as the \"Проверить\" button does. The\n"
     "exit status is 1 when the check finds an error, 0 when it finds none."},
    {"diff", RunDiff, "DUMP [OTHER]", kList | kWith | kJson, 1, 2,
     "files added, removed, changed and renamed between two lists",
     "Compares the list at --list (else the selected one) with the list at --with in the same dump,\n"
     "or with the selected list (or the one at --with) of OTHER. Contents are compared as unpacking\n"
     "would write them."},
    {"recover", RunRecover, "DUMP", kOut, 1, 1, "unpack every list found and every orphan block (--out DIR is needed)",
     "Unpacks each list the scan finds into DIR/0xNNNNNNNN/ (its position) as \"Распаковка\" does,\n"
     "and the blocks that no file of the selected list owns into DIR/lost/, one file per owner tag.\n"
     "One line per folder says what it received."},
};

}  // namespace

std::span<const CommandSpec> Commands() { return kCommands; }

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& c : Commands()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

std::string UsageLine(const CommandSpec* command) {
    if (!command) return "usage: vesk COMMAND ARGUMENTS [--home DIR] [--firmware NAME] (vesk --help lists the commands)";
    std::string line = "usage: vesk " + std::string(command->name) + " " + std::string(command->operands);
    for (const OptionSpec& o : kOptions) {
        if ((command->options | kHome | kFirmware) & o.bit) line += " " + OptionUsage(o);
    }
    return line;
}

std::string CommandHelp(const CommandSpec& command) {
    std::string text = UsageLine(&command) + "\n\n" + std::string(command.summary) + ".\n" +
                       std::string(command.details) + "\n\noptions:\n";
    for (const OptionSpec& o : kOptions) {
        if (!((command.options | kCommon) & o.bit)) continue;
        std::string left = "  " + std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value));
        left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
        text += left + std::string(o.help) + "\n";
    }
    text += "\nexit status: 0 done, 1 the command failed (the message is on standard error), 2 bad usage\n";
    return text;
}

std::string GeneralHelp() {
    std::string text = "usage: vesk COMMAND ARGUMENTS [options]\n\n"
                       "Runs the commands of the VESK window from the command line.\n\ncommands:\n";
    for (const CommandSpec& c : Commands()) {
        std::string left = "  " + std::string(c.name) + " " + std::string(c.operands);
        left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
        text += left + std::string(c.summary) + "\n";
    }
    text += "\ncommon options:\n"
            "  --home DIR            program folder with vesk.ini, the profiles and bins/ (default: the folder of vesk; installed in /usr, ~/.local/share/vesk)\n"
            "  --firmware NAME       firmware profile NAME.ini (default: the one the window selects at start)\n"
            "  --help                help; vesk COMMAND --help for one command\n"
            "\nexit status: 0 done, 1 the command failed (the message is on standard error), 2 bad usage\n";
    return text;
}

Invocation ParseArguments(const std::vector<std::string>& args, const CommandSpec** command) {
    Invocation inv;
    *command = nullptr;
    if (args.empty()) throw UsageError("no command given");
    std::size_t i = 0;
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        inv.help = true;
        if (args.size() > 1) inv.command = FindCommand(args[1]);
        *command = inv.command;
        return inv;
    }
    inv.command = FindCommand(args[0]);
    if (!inv.command) throw UsageError("unknown command \"" + args[0] + "\"");
    *command = inv.command;
    const unsigned allowed = inv.command->options | kCommon;

    bool optionsEnded = false;
    for (i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            inv.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h") {
            inv.help = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const OptionSpec* option = FindOption(name, allowed);
        if (!option) throw UsageError("unknown option \"" + name + "\"");
        std::vector<std::string> values;
        if (option->value.empty()) {
            if (eq != std::string::npos) throw UsageError(name + " takes no value");
            values.emplace_back();
        } else if (eq != std::string::npos && option->values == 1) {
            values.push_back(arg.substr(eq + 1));
        } else if (eq == std::string::npos && i + static_cast<std::size_t>(option->values) < args.size()) {
            for (int k = 0; k < option->values; ++k) values.push_back(args[++i]);
        } else {
            throw UsageError(name + " needs " + (option->values == 1 ? "a value" : "two values") + " (" +
                             std::string(option->value) + ")");
        }
        Apply(inv, *option, values);
    }
    if (inv.help) return inv;

    const int count = static_cast<int>(inv.operands.size());
    if (count < inv.command->minOperands) throw UsageError("missing " + std::string(inv.command->operands));
    if (inv.command->maxOperands >= 0 && count > inv.command->maxOperands) {
        throw UsageError("too many arguments (\"" + inv.operands[static_cast<std::size_t>(inv.command->maxOperands)] + "\")");
    }
    return inv;
}

}  // namespace vesk::cli
