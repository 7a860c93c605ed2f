#pragma once
// Paths into the source tree (data/, the tests' golden files) as a test under Wine reaches them.

#include <algorithm>
#include <string>

namespace tessel_test {

// Under Wine the source tree is reached through drive Z:.
inline std::wstring sourceTreePath(const char* tree, const std::string& relative) {
    std::string path = std::string("Z:") + tree + "/" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return std::wstring(path.begin(), path.end());
}

} // namespace tessel_test
