#pragma once
// Characters typed at the top of a large document (C, unless told) while the real parser pool
// makes its first pass over it, one every 30 ms as a fast typist's: how long each waited for the
// Document lock, and how long each took in all. Shared by the parsing tests and the lock benchmark.

#include "service/document/DocumentListener.h"
#include "service/document/DocumentManager.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "service/parser/base/ParserClient.h"
#include "support/MessagePump.h"
#include "ParsedDocument.h"
#include "TestGrammars.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tessel_test {

struct KeystrokeWaits {
    // One of each per keystroke made while the first pass ran: the wait for the lock, and the
    // whole keystroke from the call to the end of the edit.
    std::vector<double> lockWaits;
    std::vector<double> keystrokes;
    bool passEnded = false; // within the pumping that followed
};

// The document typed into: its grammar, and the text of every line.
struct TypedDocument {
    std::shared_ptr<tessel::GrammarRuleSet> rules;
    const wchar_t* scope;
    std::wstring line;
};

inline TypedDocument typedC() { return {cGrammar(), L"source.c", L"int f(int a) { return a * 2; } // line\n"}; }

inline KeystrokeWaits typeDuringFirstPass(tessel::DocumentManager& manager, int lines, size_t keystrokes,
                                          const TypedDocument& typed = typedC()) {
    struct LastParsed : tessel::DocumentListener {
        void onParsed(tessel::Document&, int32_t, int32_t last) override { reached = std::max(reached, last); }
        int32_t reached = -1;
    } parsed;
    manager.getGrammarRuleSetHolder().replaceGrammarRuleSet(typed.rules);
    manager.addListener(&parsed);
    tessel::Document* document = manager.createDocument(typed.scope);
    std::wstring text;
    text.reserve(size_t(lines) * typed.line.size());
    for (int i = 0; i < lines; ++i)
        text += typed.line;
    insertText(*document, 0, text);
    text.clear();
    text.shrink_to_fit();

    const auto now = [] {
        LARGE_INTEGER counter, frequency;
        ::QueryPerformanceCounter(&counter);
        ::QueryPerformanceFrequency(&frequency);
        return double(counter.QuadPart) * 1000 / double(frequency.QuadPart);
    };
    KeystrokeWaits waits;
    const int32_t last = lines - 1;
    while (waits.keystrokes.size() < keystrokes && parsed.reached < last) {
        const double start = now();
        {
            tessel::DocumentLockHold lock(*document);
            waits.lockWaits.push_back(now() - start);
            insertText(*document, 0, L"x"); // the lock nests
        }
        waits.keystrokes.push_back(now() - start);
        const double next = start + 30;
        pumpUntil([&] { return now() >= next; });
    }
    waits.passEnded = pumpUntil([&] { return parsed.reached >= last && !document->getParserJob()->isBusy(); }, 120000);
    manager.removeListener(&parsed);
    manager.releaseDocument(document);
    return waits;
}

} // namespace tessel_test
