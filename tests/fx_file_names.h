#pragma once

// The effect files of a test data folder, for suites with one case per file.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fx_test {

// The names, without ".fx", of the .fx files in `folder`, sorted.
inline std::vector<std::string> FxFileStems(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".fx")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace fx_test
