#pragma once
// Rule sets built in code, as the grammar compiler would build them from grammar files: a JSON
// grammar, a C-like one with nested blocks and comments over lines, and a heredoc grammar with
// content names, nested captures, end patterns completed from the begin match and a \G rule.
// The benchmarks use the JSON grammar too.

#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace tessel_test {

class GrammarBuilder {
public:
    using Captures = std::initializer_list<std::pair<uint32_t, const wchar_t*>>;

    explicit GrammarBuilder(const wchar_t* scope) : m_set(std::make_shared<tessel::GrammarRuleSet>()) {
        m_root = add(scope, scope);
        tessel::registerRuleName(*m_set, m_root);
    }
    tessel::ParserRule* root() const { return m_root; }

    tessel::ParserRule* match(const wchar_t* pattern, const wchar_t* scope, Captures captures = {}) {
        tessel::ParserRule* rule = add(scope, pattern);
        m_entry[rule] = pattern;
        addCaptures(rule->beginCaptures, captures);
        return rule;
    }
    tessel::ParserRule* beginEnd(const wchar_t* begin, const wchar_t* end, const wchar_t* scope,
                                 const wchar_t* contentScope = nullptr, Captures beginCaptures = {},
                                 Captures endCaptures = {}) {
        tessel::ParserRule* rule = add(scope, begin);
        m_entry[rule] = begin;
        addCaptures(rule->beginCaptures, beginCaptures);
        addCaptures(rule->endCaptures, endCaptures);
        if (contentScope)
            rule->contentRule = add(contentScope, L"content");
        tessel::setEndPattern(*rule, tessel::RegExSource{end, L""});
        return rule;
    }
    // The sub-rules' entry patterns become alternatives of the parent, in this order.
    GrammarBuilder& patterns(tessel::ParserRule* parent, std::initializer_list<tessel::ParserRule*> subRules) {
        for (tessel::ParserRule* sub : subRules)
            tessel::pushPattern(*parent, tessel::RegExSource{m_entry[sub], L""}, sub->ruleNumber);
        return *this;
    }
    std::shared_ptr<tessel::GrammarRuleSet> finish() {
        for (size_t number = 1; number <= m_set->size(); ++number) {
            auto* rule = const_cast<tessel::ParserRule*>(m_set->rule(static_cast<uint32_t>(number)));
            if (rule->composite)
                rule->composite->compile();
        }
        return m_set;
    }

private:
    tessel::ParserRule* add(const wchar_t* scope, const wchar_t* name) {
        auto* rule = new tessel::ParserRule();
        rule->scope = scope ? scope : L"";
        rule->name = name;
        tessel::addRuleToGrammarRuleSet(*m_set, rule);
        return rule;
    }
    void addCaptures(std::map<uint32_t, tessel::ParserRule*>& table, Captures captures) {
        for (const auto& capture : captures)
            table[capture.first] = add(capture.second, L"capture");
    }

    std::shared_ptr<tessel::GrammarRuleSet> m_set;
    tessel::ParserRule* m_root;
    std::map<const tessel::ParserRule*, std::wstring> m_entry;
};

// The JSON grammar: objects, arrays, strings with escapes, numbers and constants. In its line form
// ("source.json.line") every line's values sit inside a rule that ends at the line's end.
inline std::shared_ptr<tessel::GrammarRuleSet> buildJsonGrammar(bool lineRule) {
    GrammarBuilder g(lineRule ? L"source.json.line" : L"source.json");
    auto* object = g.beginEnd(L"\\{", L"\\}", L"meta.structure.dictionary.json", nullptr,
                              {{0, L"punctuation.definition.dictionary.begin.json"}},
                              {{0, L"punctuation.definition.dictionary.end.json"}});
    auto* array = g.beginEnd(L"\\[", L"\\]", L"meta.structure.array.json", nullptr,
                             {{0, L"punctuation.definition.array.begin.json"}},
                             {{0, L"punctuation.definition.array.end.json"}});
    auto* key = g.beginEnd(L"\"", L"\"", L"support.type.property-name.json", nullptr,
                           {{0, L"punctuation.support.type.property-name.begin.json"}},
                           {{0, L"punctuation.support.type.property-name.end.json"}});
    auto* value = g.beginEnd(L":", L"(,)|(?=\\})", L"meta.structure.dictionary.value.json", nullptr,
                             {{0, L"punctuation.separator.dictionary.key-value.json"}},
                             {{1, L"punctuation.separator.dictionary.pair.json"}});
    auto* string = g.beginEnd(L"\"", L"\"", L"string.quoted.double.json", nullptr,
                              {{0, L"punctuation.definition.string.begin.json"}},
                              {{0, L"punctuation.definition.string.end.json"}});
    auto* escape = g.match(L"\\\\(?:[\"\\\\/bfnrt]|u[0-9a-fA-F]{4})", L"constant.character.escape.json");
    auto* badEscape = g.match(L"\\\\.", L"invalid.illegal.unrecognized-string-escape.json");
    auto* number = g.match(L"-?(?:0|[1-9]\\d*)(?:(?:\\.\\d+)?(?:[eE][+-]?\\d+)?)?", L"constant.numeric.json");
    auto* constant = g.match(L"\\b(?:true|false|null)\\b", L"constant.language.json");
    auto* arrayComma = g.match(L",", L"punctuation.separator.array.json");
    auto* keyExpected = g.match(L"[^\\s\\}]", L"invalid.illegal.expected-dictionary-separator.json");
    auto* valueExpected = g.match(L"[^\\s,\\}]", L"invalid.illegal.expected-dictionary-separator.json");
    auto* arrayInvalid = g.match(L"[^\\s\\]]", L"invalid.illegal.expected-array-separator.json");
    if (lineRule) {
        auto* line = g.beginEnd(L"(?=\\S)", L"$", L"meta.line.json");
        g.patterns(g.root(), {line});
        g.patterns(line, {constant, number, string, array, object});
    } else {
        g.patterns(g.root(), {constant, number, string, array, object});
    }
    g.patterns(object, {key, value, keyExpected});
    g.patterns(value, {constant, number, string, array, object, valueExpected});
    g.patterns(array, {constant, number, string, array, object, arrayComma, arrayInvalid});
    g.patterns(key, {escape, badEscape});
    g.patterns(string, {escape, badEscape});
    return g.finish();
}

inline std::shared_ptr<tessel::GrammarRuleSet> jsonGrammar() { return buildJsonGrammar(false); }
inline std::shared_ptr<tessel::GrammarRuleSet> jsonLineGrammar() { return buildJsonGrammar(true); }

// C-like: comments (a block comment spans lines), strings, keywords, numbers, preprocessor
// lines with captures, and blocks that nest.
inline std::shared_ptr<tessel::GrammarRuleSet> cGrammar() {
    GrammarBuilder g(L"source.c");
    auto* block = g.beginEnd(L"\\{", L"\\}", L"meta.block.c");
    auto* comment = g.beginEnd(L"/\\*", L"\\*/", L"comment.block.c", nullptr,
                               {{0, L"punctuation.definition.comment.c"}}, {{0, L"punctuation.definition.comment.c"}});
    auto* line = g.match(L"//.*$", L"comment.line.double-slash.c");
    auto* string = g.beginEnd(L"\"", L"\"|$", L"string.quoted.double.c");
    auto* escape = g.match(L"\\\\.", L"constant.character.escape.c");
    auto* keyword = g.match(L"\\b(?:if|else|while|for|return|struct)\\b", L"keyword.control.c");
    auto* type = g.match(L"\\b(?:int|char|void|unsigned)\\b", L"storage.type.c");
    auto* number = g.match(L"\\b\\d+(?:\\.\\d+)?\\b", L"constant.numeric.c");
    auto* include = g.match(L"^\\s*(#)\\s*(include)\\s+(<[^>]*>|\"[^\"]*\")", L"meta.preprocessor.include.c",
                            {{1, L"punctuation.definition.directive.c"},
                             {2, L"keyword.control.import.include.c"},
                             {3, L"string.quoted.other.lt-gt.include.c"}});
    auto* call = g.match(L"\\b([A-Za-z_]\\w*)(?=\\s*\\()", L"meta.function-call.c", {{1, L"entity.name.function.c"}});
    g.patterns(g.root(), {comment, line, include, string, keyword, type, number, call, block});
    g.patterns(block, {comment, line, string, keyword, type, number, call, block});
    g.patterns(string, {escape});
    return g.finish();
}

// Heredocs: "<<" and a delimiter open a text that the delimiter alone on a line closes (its
// content named); assignments with nested captures, one captured behind a look-behind; an
// interpolation whose body starts with a \G pattern.
inline std::shared_ptr<tessel::GrammarRuleSet> heredocGrammar() {
    GrammarBuilder g(L"source.heredoc");
    auto* heredoc = g.beginEnd(L"<<(\\S+)", L"^\\1$", L"string.unquoted.heredoc", L"meta.heredoc.content",
                               {{0, L"punctuation.definition.heredoc"}, {1, L"entity.name.delimiter"}},
                               {{0, L"punctuation.definition.heredoc.end"}});
    auto* assignment = g.match(L"((\\w+)\\s*(=)\\s*((\\d+)|(\\w+)))", L"meta.assignment",
                               {{1, L"meta.expression"},
                                {2, L"variable.other"},
                                {3, L"keyword.operator.assignment"},
                                {4, L"meta.value"},
                                {5, L"constant.numeric"},
                                {6, L"variable.other.value"}});
    auto* marked = g.match(L"(?<=(@))(\\w+)", L"meta.marked", {{1, L"punctuation.mark"}, {2, L"entity.name.mark"}});
    auto* interpolation = g.beginEnd(L"\\$\\{", L"\\}", L"meta.interpolation", L"source.interpolated");
    auto* head = g.match(L"\\G\\s*\\w+", L"variable.interpolated");
    auto* word = g.match(L"\\b[a-z]+\\b", L"meta.word");
    g.patterns(g.root(), {heredoc, interpolation, assignment, marked});
    g.patterns(heredoc, {interpolation});
    g.patterns(interpolation, {head, word});
    return g.finish();
}

} // namespace tessel_test
