// Config's problems: what cannot be used of the settings, logged when it first comes and kept
// for the user to be told once per run; and the one-line text of a value that names it.

#include "service/base/Config.h"

#include "pel/log/Log.h"
#include "pel/text/CharacterBoundaries.h"
#include "pel/text/StringTemplate.h"
#include "pel/thread/MainThread.h"

#include <cwctype>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

void Config::tellProblem(const std::wstring& text) {
    {
        Lock lock(m_lock);
        if (!m_problems_told.insert(text).second)
            return;
        m_problems.push_back(text);
    }
    pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Settings: %s\n", text.c_str());
    if (pel::is_main_thread())
        m_problemsAdded.notify();
}

void Config::tellUnusable(const ConfigNameSpace* nameSpace, const std::wstring& identifier, const std::wstring& holds,
                          const std::wstring& expected, const std::wstring& used) {
    tellProblem(pel::StringTemplate(L"`{1}` is {2} in `{3}`, which is not {4}: Tessel uses {5}.")
                    .arg(1, identifier)
                    .arg(2, holds)
                    .arg(3, nameSpace ? nameSpace->getFullPath() : std::wstring())
                    .arg(4, expected)
                    .arg(5, used)
                    .render());
}

std::vector<std::wstring> Config::takeProblems() {
    Lock lock(m_lock);
    std::vector<std::wstring> taken;
    taken.swap(m_problems);
    return taken;
}

std::wstring Config::textOf(const ValueNode& node) {
    // Long enough for a font's name or a path, short enough for a line of a message.
    constexpr size_t LONGEST = 80;
    std::wstring written;
    JasmineLoader::writeValue(node, written, 0);
    std::wstring text;
    bool blank = false;
    for (const wchar_t unit : written) {
        if (std::iswspace(unit)) {
            blank = !text.empty();
            continue;
        }
        if (blank)
            text += L' ';
        blank = false;
        text += unit;
    }
    if (text.size() > LONGEST) {
        // At the start of a character as a reader sees it: no mark without its letter, no half
        // of a pair or of a family joined by ZWJ.
        pel::CharacterBoundaries characters;
        characters.setText(text.c_str(), static_cast<int32_t>(text.size()));
        text.resize(static_cast<size_t>(characters.preceding(static_cast<int32_t>(LONGEST) + 1)));
        text += L"\u2026";
    }
    return text;
}

std::wstring Config::textOf(const ConfigValue& value) {
    ValueNode node;
    value.writeTo(node);
    return textOf(node);
}

} // namespace tessel
