#pragma once
// A fresh temporary folder for one test, removed afterwards, with helpers to write and read
// small files in it.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, with a trailing "/".
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }
    // Writes a file (creating folders on the way) and returns its full path.
    std::string Write(const std::string& name, const std::string& content) const;
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& content) const;
    std::string MakeDir(const std::string& name) const;

private:
    std::string path_;
};

std::string ReadText(const std::string& path);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

}  // namespace vesk::test
