#include "pel/jasmine/JasmineWeaver.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineFormatter.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/StringValue.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace pel {

const std::wstring JasmineWeaver::INHERIT = L"inherit";
const std::wstring JasmineWeaver::REMOVED = L"removed";

namespace {

using Store = TTokenStore<JasmineToken>;

// Whether text ending in last and text starting with next would lex as one token where they
// meet: a word, number or regular-expression literal running on into a word, or two
// single-quoted strings reading as one with an embedded quote.
bool wouldJoin(wchar_t last, wchar_t next) {
    if (JasmineToken::isSymbolCharacter(next))
        return JasmineToken::isSymbolCharacter(last) || last == L'/';
    return last == L'\'' && next == L'\'';
}

// Builds the output of a weave from token ranges of the two documents and marker words. The
// ranges come from different places, so where two of them meet it keeps them apart: a line
// break goes between texts that would otherwise lex as one token, and a comma left by a member
// that was dropped is not copied while no member follows the opening brace yet.
class Splicer {
public:
    explicit Splicer(std::wstring& out) : m_out(out) {}

    // Tokens 0..brace of the document whose text is copied in order: everything up to and
    // including its opening brace.
    void copyOpening(const Store& store, xindex brace) {
        store.appendText(0, brace, m_out);
        m_afterBrace = true;
    }

    // Tokens first..last (nothing when first > last).
    void copy(const Store& store, xindex first, xindex last) {
        if (first > last)
            return;
        if (m_afterBrace) {
            for (xindex k = first; k <= last; ++k) {
                const JasmineToken& token = store.at(k);
                if (token.isTrivia())
                    continue;
                if (token.kind == JasmineToken::KIND_COMMA) {
                    if (k > first)
                        append(store, first, k - 1);
                    first = k + 1;
                    continue;
                }
                m_afterBrace = false;
                break;
            }
        }
        append(store, first, last);
    }

    // Text of the weave's own (a marker word, a written value or member).
    void copyText(const std::wstring& text) {
        if (text.empty())
            return;
        separateFrom(text[0]);
        m_out += text;
        m_afterBrace = false;
    }

private:
    void append(const Store& store, xindex first, xindex last) {
        if (first > last)
            return;
        const JasmineToken& token = store.at(first);
        if (token.length() > 0)
            separateFrom(token.text[0]);
        store.appendText(first, last, m_out);
    }

    void separateFrom(wchar_t next) {
        if (!m_out.empty() && wouldJoin(m_out.back(), next))
            m_out += L'\n';
    }

    std::wstring& m_out;
    // Nothing but trivia follows the opening brace in the output so far.
    bool m_afterBrace = false;
};

// One "key: value" of a dictionary's text, in document order.
struct MemberText {
    xindex keyToken;
    xindex valueBegin;
    xindex valueEnd;
    // The dictionary's member when this is the occurrence it holds; null for an earlier
    // occurrence of a key given again later.
    const DictionaryMember* member;
};

xindex skipTrivia(const Store& store, xindex i) {
    while (store.at(i).isTrivia())
        ++i;
    return i;
}

// Every member occurrence between the dictionary's braces, read from its tokens (which the
// reader has already checked), with the occurrences the dictionary holds marked.
std::vector<MemberText> memberTexts(const AbstractDictionaryValue& dictionary, const Store& store) {
    std::vector<const DictionaryMember*> held;
    held.reserve(dictionary.size());
    for (const DictionaryMember& member : dictionary.members())
        held.push_back(&member);
    std::sort(held.begin(), held.end(),
              [](const DictionaryMember* x, const DictionaryMember* y) { return x->keyToken() < y->keyToken(); });

    std::vector<MemberText> texts;
    size_t next = 0;
    const xindex end = dictionary.range.endToken;
    for (xindex i = dictionary.range.beginToken + 1;;) {
        i = skipTrivia(store, i);
        if (i >= end)
            break;
        if (store.at(i).kind == JasmineToken::KIND_COMMA) {
            ++i;
            continue;
        }
        MemberText text{i, 0, 0, nullptr};
        i = skipTrivia(store, i + 1);
        PEL_ASSERT(store.at(i).kind == JasmineToken::KIND_COLON);
        text.valueBegin = i = skipTrivia(store, i + 1);
        for (int depth = 0;; ++i) {
            const uint32_t kind = store.at(i).kind;
            if (kind == JasmineToken::KIND_BRACE_OPEN || kind == JasmineToken::KIND_BRACKET_OPEN)
                ++depth;
            else if (kind == JasmineToken::KIND_BRACE_CLOSE || kind == JasmineToken::KIND_BRACKET_CLOSE)
                --depth;
            if (depth == 0)
                break;
        }
        text.valueEnd = i++;
        if (next < held.size() && held[next]->keyToken() == text.keyToken)
            text.member = held[next++];
        texts.push_back(text);
    }
    // Otherwise the dictionary was not read from this store.
    PEL_ASSERT(next == held.size());
    return texts;
}

// The first token of a member's text: its key token, preceded by the comments and whitespace
// before it back to the previous member, comma or opening brace.
xindex leadingStart(const Store& store, xindex keyToken) {
    xindex i = keyToken;
    while (i > 0 && store.at(i - 1).isTrivia())
        --i;
    return i;
}

bool isMarker(const Value& value, const std::wstring& marker) {
    std::wstring text;
    return value.getString(&text) && text == marker;
}

bool isBareMarker(const Value& value, const std::wstring& marker) {
    return value.type == Value::TYPE_STRING &&
           static_cast<const StringValue&>(value).style == StringValue::STYLE_SYMBOL &&
           static_cast<const StringValue&>(value).text == marker;
}

bool isAnyMarker(const Value& value) {
    std::wstring text;
    return value.getString(&text) && (text == JasmineWeaver::INHERIT || text == JasmineWeaver::REMOVED);
}

// The first token from i on that is neither a comma nor trivia within the line: a line break,
// or the next member.
xindex restOfLine(const Store& store, xindex i) {
    for (;; ++i) {
        const JasmineToken& token = store.at(i);
        const bool lineBreak = token.kind == JasmineToken::KIND_WHITESPACE &&
                               std::wstring_view(token.text, token.length()).find(L'\n') != std::wstring_view::npos;
        if (lineBreak || !(token.isTrivia() || token.kind == JasmineToken::KIND_COMMA))
            return i;
    }
}

// The blanks that begin the line on which token i stands.
std::wstring lineIndent(const Store& store, xindex i) {
    // Back to the line break before the token, then forward over blanks.
    xindex first = i;
    size_t from = 0;
    while (first > 0) {
        const JasmineToken& token = store.at(--first);
        const std::wstring_view text(token.text, token.length());
        const size_t lineBreak = text.find_last_of(L"\r\n");
        if (lineBreak != std::wstring_view::npos) {
            from = lineBreak + 1;
            break;
        }
    }
    std::wstring indent;
    for (xindex k = first; k < i; ++k, from = 0) {
        const JasmineToken& token = store.at(k);
        for (size_t c = from; c < token.length(); ++c) {
            if (token.text[c] != L' ' && token.text[c] != L'\t')
                return indent;
            indent += token.text[c];
        }
    }
    return indent;
}

// The writer's text of a member's value, its lines after the first indented like the member's
// line. A string that reads as a marker word is quoted, so that no overlay made from the
// document takes it for a marker.
std::wstring memberValueText(const Value& value, const std::wstring& indent) {
    std::wstring text;
    if (isAnyMarker(value)) {
        quoteString(static_cast<const StringValue&>(value).text, text);
        return text;
    }
    const std::shared_ptr<JasmineFormatter> formatter = std::make_shared<JasmineFormatter>();
    formatter->linePrefix = indent;
    JasmineWriterHelper::write(&value, &text, formatter);
    return text;
}

// Where members added to a dictionary's text go: after its last member, ahead of the
// whitespace before its closing brace, each on a line of its own, indented like the last
// member's line (one TAB deeper than the brace's line in an empty dictionary).
class MemberInsertion {
public:
    // lastKeyToken: the key token of the member that stands last in the text, when there is one.
    MemberInsertion(const AbstractDictionaryValue& dictionary, const Store& store, const xindex* lastKeyToken) {
        const xindex brace = dictionary.range.endToken;
        at = brace;
        while (store.at(at - 1).kind == JasmineToken::KIND_WHITESPACE)
            --at;
        if (lastKeyToken) {
            m_indent = lineIndent(store, *lastKeyToken);
            return;
        }
        m_braceIndent = lineIndent(store, dictionary.range.beginToken);
        m_indent = m_braceIndent + L'\t';
        m_closeLine = true;
        for (xindex k = at; k < brace; ++k)
            m_closeLine = m_closeLine && std::wstring_view(store.at(k).text, store.at(k).length()).find(L'\n') ==
                                             std::wstring_view::npos;
    }

    // The member's text: a line break, the indent, the key, ": " and the value.
    void add(Splicer& out, std::wstring_view key, const Value& value) {
        std::wstring text = L"\n" + m_indent;
        writeBareOrQuoted(key, text);
        text += L": ";
        text += memberValueText(value, m_indent);
        out.copyText(text);
        m_added = true;
    }

    // Ends the line of the last member added, where the brace of an empty dictionary stood
    // on that line.
    void finish(Splicer& out) {
        if (m_added && m_closeLine)
            out.copyText(L"\n" + m_braceIndent);
    }

    xindex at; // the new members go before this token

private:
    std::wstring m_indent;
    std::wstring m_braceIndent;
    bool m_closeLine = false;
    bool m_added = false;
};

} // namespace

void JasmineWeaver::weave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                          const AbstractDictionaryValue* d_val_b, const TTokenStore<JasmineToken>* store_b,
                          std::wstring* o_result, unsigned options) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(store_a);
    PEL_CHECK_PTR(d_val_b);
    PEL_CHECK_PTR(store_b);
    PEL_CHECK_PTR(o_result);
    const auto marks = (options & BARE_MARKERS) ? isBareMarker : isMarker;
    o_result->clear();
    Splicer out(*o_result);
    out.copyOpening(*store_b, d_val_b->range.beginToken);
    xindex position = d_val_b->range.beginToken + 1;

    for (const MemberText& text : memberTexts(*d_val_b, *store_b)) {
        if (text.member) {
            const Value& value = *text.member->value();
            if (marks(value, INHERIT)) {
                if (const Value* base = d_val_a->find(text.member->key())) {
                    out.copy(*store_b, position, value.range.beginToken - 1);
                    out.copy(*store_a, base->range.beginToken, base->range.endToken);
                }
            } else if (!marks(value, REMOVED)) {
                out.copy(*store_b, position, value.range.endToken);
            }
        }
        position = text.valueEnd + 1;
    }

    for (const DictionaryMember& member : d_val_a->members()) {
        if (!d_val_b->hasKey(member.key()))
            out.copy(*store_a, leadingStart(*store_a, member.keyToken()), member.value()->range.endToken);
    }

    out.copy(*store_b, position, (options & KEEP_TAIL) ? store_b->size() - 1 : d_val_b->range.endToken);
}

void JasmineWeaver::weaveValues(const AbstractDictionaryValue* d_val_a, const AbstractDictionaryValue* d_val_b,
                                AbstractDictionaryValue* o_val) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(d_val_b);
    PEL_CHECK_PTR(o_val);
    for (const DictionaryMember& member : d_val_b->members()) {
        const Value* value = member.value();
        if (isBareMarker(*value, INHERIT)) {
            value = d_val_a->find(member.key());
            if (!value)
                continue;
        } else if (isBareMarker(*value, REMOVED)) {
            continue;
        }
        o_val->setValue(member.key(), value->clone(), 0);
    }
    for (const DictionaryMember& member : d_val_a->members()) {
        if (!d_val_b->hasKey(member.key()))
            o_val->setValue(member.key(), member.value()->clone(), 0);
    }
}

void JasmineWeaver::unweave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                            const AbstractDictionaryValue* d_val_w, const TTokenStore<JasmineToken>* store_w,
                            std::wstring* o_result, unsigned options) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(store_a);
    PEL_CHECK_PTR(d_val_w);
    PEL_CHECK_PTR(store_w);
    PEL_CHECK_PTR(o_result);
    o_result->clear();
    Splicer out(*o_result);
    // The opening brace goes first, so that members appended for removal come inside it even
    // when the full document has none of its own.
    out.copyOpening(*store_w, d_val_w->range.beginToken);
    xindex position = d_val_w->range.beginToken + 1;

    for (const MemberText& text : memberTexts(*d_val_w, *store_w)) {
        if (text.member) {
            const Value& value = *text.member->value();
            const Value* base = d_val_a->find(text.member->key());
            if (base && value.equals(*base)) {
                out.copy(*store_w, position, value.range.beginToken - 1);
                out.copyText(INHERIT);
            } else if ((options & BARE_MARKERS) && (isBareMarker(value, INHERIT) || isBareMarker(value, REMOVED))) {
                out.copy(*store_w, position, value.range.beginToken - 1);
                out.copyText(memberValueText(value, std::wstring()));
            } else {
                out.copy(*store_w, position, value.range.endToken);
            }
        }
        position = text.valueEnd + 1;
    }

    for (const DictionaryMember& member : d_val_a->members()) {
        if (!d_val_w->hasKey(member.key())) {
            out.copy(*store_a, leadingStart(*store_a, member.keyToken()), member.value()->range.beginToken - 1);
            out.copyText(REMOVED);
        }
    }

    out.copy(*store_w, position, (options & KEEP_TAIL) ? store_w->size() - 1 : d_val_w->range.endToken);
}

void JasmineWeaver::rewrite(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                            const AbstractDictionaryValue* d_val_n, std::wstring* o_result) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(store_a);
    PEL_CHECK_PTR(d_val_n);
    PEL_CHECK_PTR(o_result);
    o_result->clear();
    Splicer out(*o_result);
    out.copyOpening(*store_a, d_val_a->range.beginToken);
    xindex position = d_val_a->range.beginToken + 1;

    const std::vector<MemberText> texts = memberTexts(*d_val_a, *store_a);
    for (const MemberText& text : texts) {
        // An earlier occurrence of a key given again is dead text; it goes, as in the weave.
        const Value* wanted = text.member ? d_val_n->find(text.member->key()) : nullptr;
        if (!wanted) {
            // What follows the previous member on its line stays with it; what follows this
            // one on its line goes with it.
            out.copy(*store_a, position, restOfLine(*store_a, position) - 1);
            position = restOfLine(*store_a, text.valueEnd + 1);
            continue;
        }
        if (wanted->equals(*text.member->value())) {
            out.copy(*store_a, position, text.valueEnd);
        } else {
            out.copy(*store_a, position, text.valueBegin - 1);
            out.copyText(memberValueText(*wanted, lineIndent(*store_a, text.keyToken)));
        }
        position = text.valueEnd + 1;
    }

    MemberInsertion insertion(*d_val_a, *store_a, texts.empty() ? nullptr : &texts.back().keyToken);
    out.copy(*store_a, position, insertion.at - 1);
    for (const DictionaryMember& member : d_val_n->members()) {
        if (!d_val_a->hasKey(member.key()))
            insertion.add(out, member.key(), *member.value());
    }
    insertion.finish(out);
    out.copy(*store_a, insertion.at, store_a->size() - 1);
}

void JasmineWeaver::rewriteMember(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                                  std::wstring_view key, const Value& value, std::wstring* o_result) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(store_a);
    PEL_CHECK_PTR(o_result);
    o_result->clear();
    Splicer out(*o_result);
    out.copyOpening(*store_a, d_val_a->range.beginToken);
    const DictionaryMember* found = nullptr;
    const DictionaryMember* last = nullptr;
    for (const DictionaryMember& member : d_val_a->members()) {
        if (member.key() == key)
            found = &member;
        if (!last || member.keyToken() > last->keyToken())
            last = &member;
    }
    if (found) {
        const ValueSourceRange& range = found->value()->range;
        out.copy(*store_a, d_val_a->range.beginToken + 1, range.beginToken - 1);
        out.copyText(memberValueText(value, lineIndent(*store_a, found->keyToken())));
        out.copy(*store_a, range.endToken + 1, store_a->size() - 1);
        return;
    }
    const xindex lastKeyToken = last ? last->keyToken() : 0;
    MemberInsertion insertion(*d_val_a, *store_a, last ? &lastKeyToken : nullptr);
    out.copy(*store_a, d_val_a->range.beginToken + 1, insertion.at - 1);
    insertion.add(out, key, value);
    insertion.finish(out);
    out.copy(*store_a, insertion.at, store_a->size() - 1);
}

} // namespace pel
