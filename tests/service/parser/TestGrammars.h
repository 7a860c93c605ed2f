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

// Each rule keeps its begin (or match) pattern as its name, to be pushed into its parents. A
// pattern pushed into several parents is compiled once and shared, as the grammar compiler shares
// it.
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
        for (const auto& capture : captures)
            rule->beginCaptures[capture.first] = add(capture.second, L"");
        return rule;
    }
    tessel::ParserRule* beginEnd(const wchar_t* begin, const wchar_t* end, const wchar_t* scope,
                                 const wchar_t* contentScope = nullptr, Captures beginCaptures = {},
                                 Captures endCaptures = {}) {
        tessel::ParserRule* rule = match(begin, scope, beginCaptures);
        for (const auto& capture : endCaptures)
            rule->endCaptures[capture.first] = add(capture.second, L"");
        if (contentScope)
            rule->contentRule = add(contentScope, L"");
        tessel::setEndPattern(*rule, tessel::RegExSource{end, L""});
        return rule;
    }
    // A rule between delimiters whose matches are punctuation: prefix ".begin.json" and ".end.json".
    tessel::ParserRule* delimited(const wchar_t* begin, const wchar_t* end, const wchar_t* scope, const std::wstring& prefix) {
        const std::wstring opening = prefix + L".begin.json", closing = prefix + L".end.json";
        return beginEnd(begin, end, scope, nullptr, {{0, opening.c_str()}}, {{0, closing.c_str()}});
    }
    // The sub-rules' patterns become alternatives of the parent, in this order.
    void patterns(tessel::ParserRule* parent, std::initializer_list<tessel::ParserRule*> subRules) {
        for (tessel::ParserRule* sub : subRules)
            tessel::pushPattern(*parent, tessel::RegExSource{sub->name, L""}, sub->ruleNumber, &m_patterns);
    }
    std::shared_ptr<tessel::GrammarRuleSet> finish() { return m_set; }

private:
    tessel::ParserRule* add(const wchar_t* scope, const wchar_t* name) {
        auto* rule = new tessel::ParserRule();
        rule->scope = scope;
        rule->name = name;
        tessel::addRuleToGrammarRuleSet(*m_set, rule);
        return rule;
    }

    std::shared_ptr<tessel::GrammarRuleSet> m_set;
    tessel::ParserRule* m_root;
    tessel::PatternCache m_patterns;
};

// The JSON grammar: objects, arrays, strings with escapes, numbers and constants. In its line form
// ("source.json.line") every line's values sit inside a rule that ends at the line's end.
inline std::shared_ptr<tessel::GrammarRuleSet> buildJsonGrammar(bool lineRule) {
    GrammarBuilder g(lineRule ? L"source.json.line" : L"source.json");
    auto* object = g.delimited(L"\\{", L"\\}", L"meta.structure.dictionary.json", L"punctuation.definition.dictionary");
    auto* array = g.delimited(L"\\[", L"\\]", L"meta.structure.array.json", L"punctuation.definition.array");
    auto* key = g.delimited(L"\"", L"\"", L"support.type.property-name.json", L"punctuation.support.type.property-name");
    auto* string = g.delimited(L"\"", L"\"", L"string.quoted.double.json", L"punctuation.definition.string");
    auto* value = g.beginEnd(L":", L"(,)|(?=\\})", L"meta.structure.dictionary.value.json", nullptr,
                             {{0, L"punctuation.separator.dictionary.key-value.json"}},
                             {{1, L"punctuation.separator.dictionary.pair.json"}});
    auto* escape = g.match(L"\\\\(?:[\"\\\\/bfnrt]|u[0-9a-fA-F]{4})", L"constant.character.escape.json");
    auto* badEscape = g.match(L"\\\\.", L"invalid.illegal.unrecognized-string-escape.json");
    auto* number = g.match(L"-?(?:0|[1-9]\\d*)(?:(?:\\.\\d+)?(?:[eE][+-]?\\d+)?)?", L"constant.numeric.json");
    auto* constant = g.match(L"\\b(?:true|false|null)\\b", L"constant.language.json");
    auto* arrayComma = g.match(L",", L"punctuation.separator.array.json");
    auto* keyExpected = g.match(L"[^\\s\\}]", L"invalid.illegal.expected-dictionary-separator.json");
    auto* valueExpected = g.match(L"[^\\s,\\}]", L"invalid.illegal.expected-dictionary-separator.json");
    auto* arrayInvalid = g.match(L"[^\\s\\]]", L"invalid.illegal.expected-array-separator.json");
    auto* line = lineRule ? g.beginEnd(L"(?=\\S)", L"$", L"meta.line.json") : g.root();
    if (lineRule)
        g.patterns(g.root(), {line});
    g.patterns(line, {constant, number, string, array, object});
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
                            {{1, L"punctuation.definition.directive.c"}, {2, L"keyword.control.import.include.c"},
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
                               {{1, L"meta.expression"}, {2, L"variable.other"}, {3, L"keyword.operator.assignment"},
                                {4, L"meta.value"}, {5, L"constant.numeric"}, {6, L"variable.other.value"}});
    auto* marked = g.match(L"(?<=(@))(\\w+)", L"meta.marked", {{1, L"punctuation.mark"}, {2, L"entity.name.mark"}});
    auto* interpolation = g.beginEnd(L"\\$\\{", L"\\}", L"meta.interpolation", L"source.interpolated");
    auto* head = g.match(L"\\G\\s*\\w+", L"variable.interpolated");
    auto* word = g.match(L"\\b[a-z]+\\b", L"meta.word");
    g.patterns(g.root(), {heredoc, interpolation, assignment, marked});
    g.patterns(heredoc, {interpolation});
    g.patterns(interpolation, {head, word});
    return g.finish();
}

// The switch statement of tm-grammars' C grammar as a bundle carries it (its begins, ends, \G and
// look-behinds as written there; a capture that has only patterns there has no name here), in
// blocks, with case labels, numbers and assignments: the switch opens at the indentation before
// its keyword (the begin's group 1, the head's scope, from there on), its head where the begin
// ends (\G), its body after the brace (a look-behind) and it closes after the body's brace.
inline std::shared_ptr<tessel::GrammarRuleSet> switchGrammar() {
    // Blanks or a comment before a keyword, or a word boundary: the lead of each begin.
    const std::wstring lead = LR"re(((?>(?:(?>(?<!\s)\s+)|(/\*)((?>(?:[^*]|(?>\*+)[^/])*)((?>\*+)/)))+|(?:(?:(?:(?:\b|(?<=\W))|(?=\W))|\A)|\Z))))re";
    const std::wstring switchBegin = L"(" + lead + LR"re(((?<!\w)switch(?!\w))))re", caseBegin = lead + LR"re(((?<!\w)case(?!\w)))re",
                       parensBegin = lead + LR"re((\())re";
    GrammarBuilder g(L"source.c");
    auto* block = g.beginEnd(L"\\{", L"}", L"meta.block.c", nullptr, {{0, L"punctuation.section.block.begin.bracket.curly.c"}},
                             {{0, L"punctuation.section.block.end.bracket.curly.c"}});
    auto* statement = g.beginEnd(switchBegin.c_str(), LR"re((?<=}|%>|\?\?>)|(?=[];=>\[]))re", L"meta.block.switch.c", nullptr,
                                 {{1, L"meta.head.switch.c"}, {3, L"comment.block.c"}, {4, L"comment.block.c"},
                                  {6, L"keyword.control.switch.c"}});
    auto* head = g.beginEnd(L"\\G ?", LR"re((\{|<%|\?\?<|(?=;)))re", L"meta.head.switch.c", nullptr, {},
                            {{1, L"punctuation.section.block.begin.bracket.curly.switch.c"}});
    auto* body = g.beginEnd(LR"re((?<=\{|<%|\?\?<))re", LR"re((}|%>|\?\?>))re", L"meta.body.switch.c", nullptr, {},
                            {{1, L"punctuation.section.block.end.bracket.curly.switch.c"}});
    auto* tail = g.beginEnd(LR"re((?<=}|%>|\?\?>)[\n\s]*)re", LR"re([\n\s]*(?=;))re", L"meta.tail.switch.c");
    auto* parens = g.beginEnd(parensBegin.c_str(), L"(\\))", L"meta.conditional.switch.c", nullptr,
                              {{5, L"punctuation.section.parens.begin.bracket.round.conditional.switch.c"}},
                              {{1, L"punctuation.section.parens.end.bracket.round.conditional.switch.c"}});
    auto* label = g.beginEnd(caseBegin.c_str(), L"(:)", L"meta.conditional.case.c", nullptr, {{5, L"keyword.control.case.c"}},
                             {{1, L"punctuation.separator.colon.case.c"}});
    auto* number = g.match(L"\\b\\d+\\b", L"constant.numeric.decimal.c");
    auto* assign = g.match(L"=", L"keyword.operator.assignment.c");
    auto* terminator = g.match(L";", L"punctuation.terminator.statement.c");
    g.patterns(g.root(), {statement, block, number, assign, terminator});
    g.patterns(block, {statement, block, number, assign, terminator});
    g.patterns(statement, {head, body, tail});
    g.patterns(head, {parens, statement, block, number, assign, terminator});
    g.patterns(body, {label, statement, block, number, assign, terminator});
    g.patterns(tail, {statement, block, number, assign, terminator});
    g.patterns(parens, {number});
    g.patterns(label, {number});
    return g.finish();
}

// Blocks between "<" and ">" holding one pattern.
inline std::shared_ptr<tessel::GrammarRuleSet> blocksHolding(const wchar_t* scope, const wchar_t* pattern) {
    GrammarBuilder g(scope);
    auto* held = g.match(pattern, L"meta.slow");
    auto* block = g.beginEnd(L"<", L">", L"meta.block");
    g.patterns(g.root(), {block});
    g.patterns(block, {held});
    return g.finish();
}

// Blocks holding a*a*c: over "aaa...abc" every engine call backtracks and scans the rest of the
// line at each step, seconds of work on a few thousand characters.
inline std::shared_ptr<tessel::GrammarRuleSet> slowGrammar() { return blocksHolding(L"source.slow", L"a*a*c"); }

// Blocks holding a*a*a*c: over "aaa...abc" each engine call's first steps are cheap and its later
// ones dearer, so a call whose bound grows while its steps look cheap would run for seconds.
inline std::shared_ptr<tessel::GrammarRuleSet> dearerStepsGrammar() { return blocksHolding(L"source.dearer", L"a*a*a*c"); }

} // namespace tessel_test
