#pragma once

// The effect files of a test data folder, for suites with one case per file.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fx_test {

// The .fx files under `folder` and its subfolders, as paths relative to it,
// sorted.
inline std::vector<std::filesystem::path> FxFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().extension() == ".fx")
            files.push_back(std::filesystem::relative(entry.path(), folder));
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace fx_test
