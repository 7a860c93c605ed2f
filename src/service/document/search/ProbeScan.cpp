#include "service/document/search/ProbeScan.h"

#include "pel/text/Utf16Characters.h"
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

ProbeScan::ProbeScan(const std::wstring& pattern, bool ignoreCase, bool foldsPairs) {
    const int32_t m = static_cast<int32_t>(pattern.size());
    const wchar_t* fold = ignoreCase ? foldTable() : nullptr;
    ProbeUnits probes[2];
    int32_t taken = -1;
    for (ProbeUnits& probe : probes) {
        int best = 1 << 30;
        for (int32_t offset = 0; offset < m; ++offset) {
            if ((offset == taken && m > 1) || (foldsPairs && pel::isSurrogateUnit(pattern[offset])))
                continue;
            const int score = commonness(pattern[offset], ignoreCase);
            if (score >= best)
                continue;
            ProbeUnits candidate;
            candidate.offset = offset;
            const wchar_t unit = pattern[offset];
            int forms = 0;
            for (int32_t form = 0; form < 0x10000 && forms <= ProbeUnits::MAX_FORMS; ++form)
                if (fold ? fold[form] == unit : form == unit) {
                    if (forms < ProbeUnits::MAX_FORMS)
                        candidate.units[forms] = static_cast<wchar_t>(form);
                    ++forms;
                }
            if (forms == 0 || forms > ProbeUnits::MAX_FORMS)
                continue;
            for (int i = forms; i < ProbeUnits::MAX_FORMS; ++i)
                candidate.units[i] = candidate.units[0];
            candidate.kind = formsKind(forms);
            best = score;
            probe = candidate;
        }
        if (best == 1 << 30)
            return;
        taken = probe.offset;
    }
    const bool ordered = probes[0].offset < probes[1].offset;
    m_hits.reset(new ProbeHits(ordered ? probes[0] : probes[1], ordered ? probes[1] : probes[0]));
}

} // namespace tessel
