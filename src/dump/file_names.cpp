#include "dump/file_names.h"

#include <algorithm>

#include "platform/file_output.h"

namespace vesk {

std::string SafeFileName(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    // Never a name that the clean-up of stale temporaries could take for one of ours.
    if (name.starts_with(kTempPrefix)) name.front() = '_';
    return name;
}

std::string OutputFileName(const std::string& safeName, const std::string& extension) {
    std::string name = safeName + SafeFileName(extension);
    if (name == "." || name == "..") name.insert(name.begin(), '_');
    return name;
}

std::string FileNamer::Take(const std::string& name) {
    const std::string base = SafeFileName(name);
    std::string taken = base;
    if (taken_.count(taken)) {
        // Names are never given back: every " (k)" up to the last one this base got is still
        // taken, so the search goes on from there rather than from " (2)" each time.
        int& k = lastSuffix_[base];
        k = std::max(k, 2);
        while (taken_.count(taken = base + " (" + std::to_string(k) + ")")) ++k;
    }
    taken_.insert(taken);
    return taken;
}

std::vector<std::string> OutputNames(const std::vector<ListEntry>& entries, const std::vector<bool>& written) {
    FileNamer namer;
    return OutputNames(entries, written, namer);
}

std::vector<std::string> OutputNames(const std::vector<ListEntry>& entries, const std::vector<bool>& written,
                                     FileNamer& namer) {
    std::vector<std::string> names(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i < written.size() && written[i]) names[i] = namer.Take(entries[i].name);
    }
    return names;
}

}  // namespace vesk
