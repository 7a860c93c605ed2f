#pragma once
// The bundles the program ships (data/bundles of the source tree), copied into the root layer
// of a fresh service root and loaded by the real grammar, theme, snippet and preferences
// managers until the grammars have compiled; and documents of those grammars parsed line by
// line, dumped for review as each line's text followed by its runs: the run's text in brackets
// and its scopes below the grammar's own.

#include "bundles/GrammarBundleItemManager.h"
#include "bundles/preferences/ScopePreferencesManager.h"
#include "bundles/snippets/SnippetManager.h"
#include "bundles/themes/ThemeManager.h"

#include "pel/files/FileUtils.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/LineMatcher.h"
#include "service/parser/RuleSetHolder.h"

#include "bundles/ManagerFixture.h"
#include "service/parser/ParsedDocument.h"
#include "support/LogCapture.h"
#include "support/SourceTree.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tessel_test {

// The whole (ASCII) file, "<missing>" when it cannot be read.
inline std::wstring readSourceFile(const std::wstring& path) {
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    if (!in)
        return L"<missing>";
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    return std::wstring(text.begin(), text.end());
}

class ShippedBundlesFixture : public ManagerFixture {
protected:
    ShippedBundlesFixture() {
        const std::wstring rootFolder = folders.base / L"root";
        EXPECT_TRUE(pel::FileUtils::copyPath(sourceTreePath(TESSEL_DATA_DIR, "bundles").c_str(), rootFolder.c_str(), nullptr));
        root->createDocumentManager(std::make_shared<tessel::DocumentParserServices>());
        controllers.reset(new tessel::DocumentControllerManager(*root->getDocumentManager()));
        realTypes = {tessel::BUNDLE_TYPE_GRAMMAR, tessel::BUNDLE_TYPE_THEME, tessel::BUNDLE_TYPE_SNIPPET,
                     tessel::BUNDLE_TYPE_PREFERENCES};
        grammars = tessel::GrammarBundleItemManager::create(*manager, *root);
        themes = tessel::ThemeManager::create(*manager).get();
        snippets = tessel::SnippetManager::create(*manager, *controllers).get();
        preferences = tessel::ScopePreferencesManager::create(*manager).get();
        grammars->onCompiled.add(this, [this] { ++compiled; });
        setUp();
        loadAll();
        EXPECT_TRUE(pumpUntil([&] { return compiled > 0 && !grammars->getRunningCompiles(); }))
            << "the grammars never compiled";
    }
    ~ShippedBundlesFixture() override {
        grammars->onCompiled.remove(this);
        grammars.reset();
        forgetHandlers();
        manager.reset(); // the type managers with it, before the controllers they use
        controllers.reset();
    }

    const tessel::GrammarRuleSet* rules() const {
        return static_cast<tessel::RuleSetHolder&>(root->getDocumentManager()->getGrammarRuleSetHolder()).ruleSet();
    }

    LogCapture log; // from before the load
    std::unique_ptr<tessel::DocumentControllerManager> controllers;
    std::shared_ptr<tessel::GrammarBundleItemManager> grammars;
    tessel::ThemeManager* themes = nullptr;
    tessel::SnippetManager* snippets = nullptr;
    tessel::ScopePreferencesManager* preferences = nullptr;
    int compiled = 0;
};

// A document of the text, parsed with the root rule of the grammar's scope name.
class ParsedText {
public:
    ParsedText(const tessel::GrammarRuleSet& rules, const std::wstring& scopeName, const std::wstring& text) {
        insertText(document, 0, text);
        const tessel::ParserRule* root = tessel::findRule(scopeName, rules);
        EXPECT_TRUE(root) << "no rule for " << std::string(scopeName.begin(), scopeName.end());
        setGrammar(document, root);
        matcher.bind(document, &rules, 0, store);
        for (int32_t line = 0; line < document.getLineCount(); ++line)
            EXPECT_TRUE(matcher.parseLine(line)) << "line " << line;
    }
    ~ParsedText() { matcher.unbind(); }
    ParsedText(const ParsedText&) = delete;
    ParsedText& operator=(const ParsedText&) = delete;

    // "> line" and then one "    [text] scopes" per run ("-" for the grammar's scope alone).
    std::string dump() {
        std::wstring out;
        for (int32_t line = 0; line < document.getLineCount(); ++line) {
            const int32_t start = document.getLineStart(line);
            const std::wstring text = document.getText(start, document.getLineLength(line));
            out += L"> " + text + L"\n";
            const void* record = document.getLineHeader(line)->parsedLine;
            const tessel::LineRuns runs = record ? tessel::lineRecordRuns(record) : tessel::LineRuns{};
            for (uint32_t i = 0; i < runs.count; ++i) {
                const size_t from = runs.runs[i].column;
                const size_t to = i + 1 < runs.count ? runs.runs[i + 1].column : text.size();
                if (from >= text.size())
                    break;
                std::wstring scopes = scopeText(document, runs.runs[i].scope);
                const size_t blank = scopes.find(L' ');
                scopes = blank == std::wstring::npos ? L"-" : scopes.substr(blank + 1);
                out += L"    [" + text.substr(from, to - from) + L"] " + scopes + L"\n";
            }
        }
        return std::string(out.begin(), out.end());
    }

    // Whether the last line ends with the grammar's scope alone open.
    bool endsAtRoot() {
        const void* record = document.getLineHeader(document.getLineCount() - 1)->parsedLine;
        return record && tessel::lineRecordEndState(record).byteSize == 2 * sizeof(uint16_t);
    }

    // The first scope record whose own name is the one given, by the line runs; null if none.
    const tessel::DocumentScope* findScope(const std::wstring& name) {
        for (int32_t line = 0; line < document.getLineCount(); ++line) {
            const void* record = document.getLineHeader(line)->parsedLine;
            const tessel::LineRuns runs = record ? tessel::lineRecordRuns(record) : tessel::LineRuns{};
            for (uint32_t i = 0; i < runs.count; ++i) {
                const tessel::DocumentScope* scope = document.getScopeRegistry().get(runs.runs[i].scope);
                if (scope && scope->name() == name)
                    return scope;
            }
        }
        return nullptr;
    }

    ParserOwner owner;
    tessel::Document document{&owner};
    tessel::DynamicEndStore store;
    tessel::LineMatcher matcher;
};

} // namespace tessel_test
