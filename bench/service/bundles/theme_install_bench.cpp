// Theme entries from text to installed themes: each of the converted tm-themes files (written
// by theme_peer.js) parsed as its entry is (with the token store an entry keeps), validated by
// the theme validator and read into its DocumentTheme through a ThemeBundleItem; themes per
// second, best of the rounds, beside vscode-textmate parsing the same themes' JSON and setting
// each on its registry in the same run (target: at least 1 x).
//   theme_install_bench --folder DIR [--rounds 20] [--peer-themes THEMES_PER_S]

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/themes/ThemeBundleItem.h"
#include "service/parser/DocumentTheme.h"

#include "pel/text/TextConversion.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "support/Bench.h"
#include "support/FileBench.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace tessel;

namespace {

std::vector<std::wstring> readThemes(const std::wstring& folder) {
    std::vector<std::wstring> texts;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*.tsTheme").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return texts;
    do {
        const std::wstring path = folder + L"\\" + found.cFileName;
        const std::vector<unsigned char> bytes = bench::loadFile(std::string(path.begin(), path.end()).c_str());
        texts.emplace_back(bytes.begin(), bytes.end()); // ASCII
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return texts;
}

// Installs one theme; the number of its rules, or -1 when it did not read cleanly.
int install(const std::wstring& text, const BundleEntryValidator& validator) {
    ErrorList errors;
    pel::TTokenStore<pel::JasmineToken> tokens;
    const std::unique_ptr<pel::Value> root = BundleEntrySourceHelper::parse(L"theme", text, &errors, &tokens);
    if (!root)
        return -1;
    const auto& value = static_cast<const pel::AbstractDictionaryValue&>(*root);
    validator.validate(&value, &errors);
    boost::intrusive_ptr<ThemeBundleItem> item(new ThemeBundleItem, false);
    item->readValue(value, &errors);
    return errors.empty() ? static_cast<int>(item->getTheme()->rules().size()) : -1;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::vector<std::wstring> texts = readThemes(bench::folderOption(options));
    if (texts.empty()) {
        std::fprintf(stderr, "no theme entries in the folder\n");
        return 2;
    }
    const BundleEntryValidator& validator = *BundleEntryTraits::theme().validator;
    int rules = 0;
    size_t characters = 0;
    for (const std::wstring& text : texts) {
        const int read = install(text, validator);
        if (read < 0) {
            std::fprintf(stderr, "a theme did not read and validate cleanly\n");
            return 2;
        }
        rules += read;
        characters += text.size();
    }
    const double best = bench::bestOf(static_cast<int>(options.number("--rounds", 20)), [&] {
        for (const std::wstring& text : texts)
            install(text, validator);
    });
    bench::figure("theme_install_themes", static_cast<double>(texts.size()), "themes");
    bench::figure("theme_install_rules", rules, "rules");
    bench::figure("theme_install_characters", static_cast<double>(characters), "characters");
    bench::figureBeside("theme_install", static_cast<double>(texts.size()) / best, "themes/s", "textmate",
                        options.number("--peer-themes"));
    return 0;
}
