#pragma once
// One node of a grammar's pattern tree: a match, a begin/end pair, an inclusion of other
// patterns or a group of them, read from a pattern dictionary of a grammar entry and written back
// to one. A node owns its children and its inject group. The tree is read and written on the UI
// thread; the grammar compiler reads it on its own thread while the grammar manager keeps it
// from changing.

#include "service/base/RegExSource.h"

#include "pel/base/Object.h"
#include "pel/value/AbstractDictionaryValue.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pel {
class ListValue;
}

namespace tessel {

class ErrorList;

class GrammarBundleItemPattern : public pel::Object {
public:
    static constexpr uint32_t TYPE_SYMBOL = pel::crc32Literal("grammar_pattern");
    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("bundles"); // 0xD8A73A98

    enum Kind : int32_t { KIND_ROOT = 0, KIND_MATCH = 1, KIND_BEGIN_END = 2, KIND_INCLUDE = 3, KIND_GROUP = 4,
                          KIND_INVALID = 5 };
    enum IncludeKind : int32_t { INCLUDE_NONE = 0, INCLUDE_BASE = 1, INCLUDE_SELF = 2, INCLUDE_GRAMMAR = 3,
                                 INCLUDE_REPOSITORY = 4 };

    // Capture group number -> scope name.
    using CaptureMap = std::map<uint32_t, std::wstring>;
    using Children = std::vector<std::unique_ptr<GrammarBundleItemPattern>>;

    GrammarBundleItemPattern(GrammarBundleItemPattern* parent, int32_t index, const std::wstring& key);
    ~GrammarBundleItemPattern() override;
    GrammarBundleItemPattern(const GrammarBundleItemPattern&) = delete;
    GrammarBundleItemPattern& operator=(const GrammarBundleItemPattern&) = delete;

    pel::Symbol getTypeSymbol() const override { return pel::Symbol(TYPE_SYMBOL); }
    // Empties the pattern (children and inject group deleted).
    virtual void reset();
    virtual void clear();

    // Reads the pattern from its dictionary: true unless it ends up invalid. Problems are
    // logged under "bundles"; an element of a "patterns" or "inject" list that is no dictionary
    // is dropped with an error in o_errors (when given), positioned at it.
    bool readPattern(const pel::AbstractDictionaryValue& dval, bool root, ErrorList* o_errors);
    // Writes the pattern into the dictionary, each expression as it was read; false for an
    // invalid pattern.
    bool writePattern(pel::AbstractDictionaryValue* o_dval) const;

    // "<parent path> > <name or <unnamed>>[#key]#index", computed once.
    const std::wstring& getPath() const;

    Kind getKind() const { return m_kind; }
    IncludeKind getIncludeKind() const { return m_includeKind; }
    const std::wstring& getIncludeTarget() const { return m_includeTarget; }
    const GrammarBundleItemPattern* getInjectGroup() const { return m_injectGroup.get(); }
    const std::wstring& getName() const { return m_name; }
    const std::wstring& getContentName() const { return m_contentName; }
    const CaptureMap& getBeginCaptures() const { return m_beginCaptures; }
    const CaptureMap& getEndCaptures() const { return m_endCaptures; }
    const CaptureMap& getCaptures() const { return m_captures; }
    // The expressions as the compiler takes them: byte escapes read as code points.
    const RegExSource& getMatch() const { return m_match; }
    const RegExSource& getBegin() const { return m_begin; }
    const RegExSource& getEnd() const { return m_end; }
    const Children& getChildren() const { return m_children; }
    const GrammarBundleItemPattern* getParent() const { return m_parent; }
    int32_t getIndex() const { return m_index; }
    const std::wstring& getKey() const { return m_key; }

protected:
    // The name: "name", else "scope_name", else empty.
    void readName(const pel::AbstractDictionaryValue& dval);
    void readPatternList(const pel::ListValue& list, ErrorList* o_errors);
    // The value as a pattern dictionary; for anything else null, with an error line and an
    // error positioned at the value in o_errors (when given): such a pattern is dropped.
    static const pel::AbstractDictionaryValue* patternDictionary(const pel::Value& value, ErrorList* o_errors);
    // For the grammar root, which has no name while it is empty.
    void setKind(Kind kind) { m_kind = kind; }
    void setName(const std::wstring& name) {
        m_name = name;
        m_path.clear();
    }

private:
    bool readBeginEnd(const pel::AbstractDictionaryValue& dval, ErrorList* o_errors);
    bool readInclude(const pel::AbstractDictionaryValue& dval, ErrorList* o_errors);
    static bool readCaptures(const wchar_t* key, const pel::AbstractDictionaryValue& dval, CaptureMap* o_captures);
    static bool readRegExp(const wchar_t* key, const pel::AbstractDictionaryValue& dval, RegExSource* o_source,
                           std::wstring* o_written);
    static void writeRegExp(pel::AbstractDictionaryValue* o_dval, const wchar_t* key, const RegExSource& source,
                            const std::wstring& written);
    static void writeCaptures(pel::AbstractDictionaryValue* o_dval, const wchar_t* key, const CaptureMap& captures);

    IncludeKind m_includeKind = INCLUDE_NONE;
    std::wstring m_includeTarget;
    std::unique_ptr<GrammarBundleItemPattern> m_injectGroup;
    std::wstring m_contentName;
    CaptureMap m_beginCaptures;
    CaptureMap m_endCaptures;
    CaptureMap m_captures;
    RegExSource m_match;
    RegExSource m_begin;
    RegExSource m_end;
    // The pattern texts as read, when reading rewrote byte escapes; empty otherwise.
    std::wstring m_matchWritten;
    std::wstring m_beginWritten;
    std::wstring m_endWritten;
    Kind m_kind = KIND_ROOT;
    Children m_children;
    std::wstring m_name;
    int32_t m_index;
    std::wstring m_key;
    GrammarBundleItemPattern* m_parent;
    mutable std::wstring m_path;
};

} // namespace tessel
