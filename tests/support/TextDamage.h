#pragma once
// Random damage to a sample text, for the tests that feed outside text to a parser: 1 to 4
// edits, each removing up to 8 units, inserting one unit of the alphabet or copying up to 16
// units from elsewhere in the text.

#include <random>
#include <string>

namespace tessel_test {

inline void damageText(std::wstring& text, const std::wstring& alphabet, std::mt19937& random) {
    for (int edits = 1 + random() % 4; edits > 0 && !text.empty(); --edits) {
        const size_t at = random() % text.size();
        if (random() % 3 == 0)
            text.erase(at, 1 + random() % 8);
        else if (random() % 2)
            text.insert(at, 1, alphabet[random() % alphabet.size()]);
        else
            text.insert(at, text.substr(random() % text.size(), random() % 16));
    }
}

} // namespace tessel_test
