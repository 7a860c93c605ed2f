#pragma once
// Search and replace over the document of one DocumentController: a finder and a replacer made
// from the search parameters, the area searched (a span context in the controller's span tree
// with one span per range, so that it follows the edits), and the offset where the next search
// starts. A search runs from that offset to the end of its range of the area (backwards: to the
// start), then through the following ranges, and, when a wrap-around predicate agrees, once
// more from the other end. While the session is not busy moving the selection itself, every
// change of the selection puts the next search at the caret and ends the current series.
//
// A search that fails (the finder throws SearchFailed) passes the failure on to the caller;
// it never counts as no match.
//
// Made by the controller on first use; main thread only.

#include "pel/text/search/MatchResults.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/search/SearchParameters.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class DocumentController;
class Finder;
class LongEdit;
class Replacer;
class Span;
class WrapAroundPredicate;

class DocumentControllerSearchSession {
public:
    // startPosition when no series of searches is going on.
    static constexpr int32_t UNSET = INT32_MIN;
    // The span context of the search area.
    static const wchar_t* const AREA_CONTEXT;
    // Why a Replace All stopped whose matches did not fit in memory.
    static const wchar_t* const NO_MEMORY;
    // One stretch of the area: start and end offsets.
    using Range = std::pair<int32_t, int32_t>;

    // Starts at the caret.
    explicit DocumentControllerSearchSession(DocumentController& controller);
    ~DocumentControllerSearchSession();
    DocumentControllerSearchSession(const DocumentControllerSearchSession&) = delete;
    DocumentControllerSearchSession& operator=(const DocumentControllerSearchSession&) = delete;

    // A new kind of area drops the old area and ends the series.
    void setScope(uint32_t scope);
    uint32_t getScope() const { return m_scope; }
    // The scope the last search action asked for (a selection scope may have become the
    // document's).
    uint32_t getRequestedScope() const { return m_requestedScope; }
    void setRequestedScope(uint32_t scope) { m_requestedScope = scope; }
    // The area: a span for each range that holds text, in list order, under a context in the
    // controller's span tree (replacing the old area). No such range: no area.
    void setArea(const std::vector<Range>& ranges);
    // The area's context, or null (never set, dropped, or gone with the spans around it).
    Span* getArea() const;
    // The area's ranges as they are now.
    std::vector<Range> getAreaRanges() const;

    // A Boyer-Moore finder, or with regex a regular-expression one (ignoring case unless
    // matchCase). An empty find text leaves no finder (logged, true); a pattern that does not
    // compile leaves none and answers false, the engine's message logged and in o_error.
    bool setFinder(const SearchParameters& parameters, bool regex, bool matchCase, bool wholeWord,
                   std::wstring* o_error = nullptr);
    // The replacement as plain text, or with regex as a replace format.
    void setReplacer(const SearchParameters& parameters, bool regex);
    bool hasFinder() const { return m_finder != nullptr; }

    // The next match of non-zero length from the position (see the class comment); wrap is
    // asked at most once. Null when there is none; the results belong to the finder.
    const pel::MatchResults* findMatch(bool backward, const WrapAroundPredicate* wrap);
    // Selects the next match (the position moves past it) and answers true; without one and
    // with select, the selection collapses to a caret at the position.
    bool find(bool backward, bool select, const WrapAroundPredicate* wrap = nullptr);
    // When the selection is still a match, replaces it; then finds and selects the next match.
    // True when it replaced or found.
    bool replace(bool backward, const WrapAroundPredicate* wrap = nullptr);
    // Replaces every match in the area, from its start, as one undo step. Every match is found
    // before the first is replaced, so a failed search replaces none; so does a search whose
    // matches do not fit in memory (SearchFailed with NO_MEMORY). The finds share one budget of
    // work for the area (FinderRegEx::SharedBudget). It is a long edit (LongEdit): it searches
    // and replaces in steps, each replacing step an edit transaction of its own that continues
    // the one before it, and pauses between them; stopped there, what it replaced stays, as the
    // one undo step. Asked inside an open transaction, it runs to its end without a pause.
    ReplaceAllCounts replaceAll();
    // Drops the area and the finder.
    void clear();

    int32_t getPosition() const { return m_position; }
    void setPosition(int32_t position) { m_position = position; }
    int32_t getStartPosition() const { return m_startPosition; }
    void setStartPosition(int32_t position) { m_startPosition = position; }
    bool isBusy() const { return m_busy > 0; }
    // Marks the session busy for a scope: the selection changes it makes are its own.
    class Busy {
    public:
        explicit Busy(DocumentControllerSearchSession& session) : m_session(session) { ++session.m_busy; }
        ~Busy() { --m_session.m_busy; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        DocumentControllerSearchSession& m_session;
    };

private:
    // What Replace All collects: each match's offsets and, unless the replacement is the same
    // text for all, where its replacement ends in one buffer of all of them.
    struct Replacements {
        std::deque<Range> matches;
        std::deque<size_t> textEnds;
        std::wstring texts;
    };

    // Every match of the area and its replacement, searching on behind each match, pausing
    // between finds; stops early when the user stopped the edit.
    void collectReplacements(const std::vector<Range>& ranges, LongEdit& edit, Replacements& o_replacements);
    // Puts the replacements in from the first, in steps with pauses between them; returns how
    // many went in. The series goes on behind the last.
    int32_t putReplacements(const Replacements& replacements, LongEdit& edit);
    void onSelectionChanged();
    // Puts text in place of the selection.
    void replaceSelection(const std::wstring& text);
    // Whether the selection is exactly a match; its replacement then in o_text.
    bool selectionIsMatch(std::wstring& o_text);

    uint32_t m_scope = SearchParameters::SCOPE_NONE;
    uint32_t m_requestedScope = SearchParameters::SCOPE_NONE;
    DocumentController& m_controller;
    std::unique_ptr<Finder> m_finder;
    std::unique_ptr<Replacer> m_replacer;
    int32_t m_position;
    int32_t m_startPosition;
    int m_busy = 0;
};

} // namespace tessel
