// Where the tests find drawings written by real CAD programs.
//
// The repository keeps a few permissively licensed ones in tests/data; the wider
// corpus beside the checkout (../shared/corpus) adds cases when it is there.
// $ARX_CORPUS_DIR names another corpus folder, or hides it when it names none
// (CI runs the suite once that way, so that no test needs the outer corpus).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace arxtest {

inline std::string corpusDir() {
    if (const char* env = std::getenv("ARX_CORPUS_DIR"); env && *env) return env;
    return ARX_CORPUS_DEFAULT;
}

inline std::string repoDataDir() { return ARX_TEST_DATA_DIR; }

// Every .dxf file below `dir`, sorted; none when it is absent.
inline std::vector<std::filesystem::path> dxfFilesBelow(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return files;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const auto& p = it->path();
        std::string ext = p.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".dxf" && it->is_regular_file(ec)) files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace arxtest
