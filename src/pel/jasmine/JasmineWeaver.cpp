#include "pel/jasmine/JasmineWeaver.h"

#include "pel/base/Assert.h"
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

    void copyWord(const std::wstring& word) {
        separateFrom(word[0]);
        m_out += word;
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

} // namespace

void JasmineWeaver::weave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                          const AbstractDictionaryValue* d_val_b, const TTokenStore<JasmineToken>* store_b,
                          std::wstring* o_result) {
    PEL_CHECK_PTR(d_val_a);
    PEL_CHECK_PTR(store_a);
    PEL_CHECK_PTR(d_val_b);
    PEL_CHECK_PTR(store_b);
    PEL_CHECK_PTR(o_result);
    o_result->clear();
    Splicer out(*o_result);
    out.copyOpening(*store_b, d_val_b->range.beginToken);
    xindex position = d_val_b->range.beginToken + 1;

    for (const MemberText& text : memberTexts(*d_val_b, *store_b)) {
        if (text.member) {
            const Value& value = *text.member->value();
            if (isMarker(value, INHERIT)) {
                if (const Value* base = d_val_a->find(text.member->key())) {
                    out.copy(*store_b, position, value.range.beginToken - 1);
                    out.copy(*store_a, base->range.beginToken, base->range.endToken);
                }
            } else if (!isMarker(value, REMOVED)) {
                out.copy(*store_b, position, value.range.endToken);
            }
        }
        position = text.valueEnd + 1;
    }

    for (const DictionaryMember& member : d_val_a->members()) {
        if (!d_val_b->hasKey(member.key()))
            out.copy(*store_a, leadingStart(*store_a, member.keyToken()), member.value()->range.endToken);
    }

    out.copy(*store_b, position, d_val_b->range.endToken);
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
                            std::wstring* o_result) {
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
                out.copyWord(INHERIT);
            } else {
                out.copy(*store_w, position, value.range.endToken);
            }
        }
        position = text.valueEnd + 1;
    }

    for (const DictionaryMember& member : d_val_a->members()) {
        if (!d_val_w->hasKey(member.key())) {
            out.copy(*store_a, leadingStart(*store_a, member.keyToken()), member.value()->range.beginToken - 1);
            out.copyWord(REMOVED);
        }
    }

    out.copy(*store_w, position, d_val_w->range.endToken);
}

} // namespace pel
