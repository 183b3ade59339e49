// vesk-samples FOLDER: puts the sample content into a program folder (one that holds vesk.ini
// and the firmware profiles): the files in samples/ and the dump bins/sample.bin built from
// them. The install step runs it when the folder has no sample dump yet.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "samples/sample_installation.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROGRAM-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        // Absolute, so that the build list's paths do not depend on where it runs from.
        const vesk::ProgramFolder folder(std::filesystem::absolute(std::filesystem::u8path(argv[1])).string());
        const vesk::samples::SampleReport report = vesk::samples::MakeSampleInstallation(folder);
        std::printf("%sbins/%s: %d files in the current list, %d in the older one (firmware %s)\n",
                    folder.Path().c_str(), vesk::samples::kSampleDump, report.files, report.olderFiles,
                    report.firmware.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesk-samples: %s\n", e.what());
        return 1;
    }
}
