#include "service/document/search/ProbeScan.h"

#include "service/document/search/CaseFolding.h"

#include <cstring>

namespace tessel {

int commonness(wchar_t unit, bool ignoreCase) {
    static const char LETTERS[] = "etaoinshrdlcumwfgypbvkjxqz";
    if (unit == L' ')
        return 100;
    const bool capital = unit >= L'A' && unit <= L'Z';
    const wchar_t lower = capital ? static_cast<wchar_t>(unit + 32) : unit;
    if (lower >= L'a' && lower <= L'z') {
        const int score = 60 - 2 * static_cast<int>(std::strchr(LETTERS, static_cast<char>(lower)) - LETTERS);
        return capital && !ignoreCase ? score / 4 : score;
    }
    if (unit == L'.' || unit == L',')
        return 15;
    if (unit == L'\n')
        return 12;
    if (unit >= L'0' && unit <= L'9')
        return 8;
    return unit < 0x80 ? 5 : 3;
}

ProbeScan::ProbeScan(const std::wstring& pattern, bool ignoreCase) {
    const int32_t m = static_cast<int32_t>(pattern.size());
    const wchar_t* upper = ignoreCase ? upperCaseTable() : nullptr;
    Probe probes[2];
    int chosen = 0;
    int32_t taken = -1;
    for (Probe& probe : probes) {
        int best = 1 << 30;
        for (int32_t offset = 0; offset < m; ++offset) {
            if (offset == taken && m > 1)
                continue;
            const int score = commonness(pattern[offset], ignoreCase);
            if (score >= best)
                continue;
            Probe candidate;
            candidate.offset = offset;
            const wchar_t unit = pattern[offset];
            for (int32_t form = 0; form < 0x10000 && candidate.forms <= MAX_FORMS; ++form)
                if (upper ? upper[form] == unit : form == unit) {
                    if (candidate.forms < MAX_FORMS)
                        candidate.form[candidate.forms] = static_cast<wchar_t>(form);
                    ++candidate.forms;
                }
            if (candidate.forms == 0 || candidate.forms > MAX_FORMS)
                continue;
            best = score;
            probe = candidate;
        }
        if (best == 1 << 30)
            return;
        for (int i = probe.forms; i < MAX_FORMS; ++i)
            probe.form[i] = probe.form[0];
        taken = probe.offset;
        ++chosen;
    }
    m_near = probes[0].offset < probes[1].offset ? probes[0] : probes[1];
    m_far = probes[0].offset < probes[1].offset ? probes[1] : probes[0];
    m_usable = chosen == 2;
}

} // namespace tessel
