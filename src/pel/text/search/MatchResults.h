#pragma once
// The groups of one match as offsets in the text's units (UTF-16 units, or bytes of UTF-8 text):
// group 0 is the whole match, -1 marks a group that did not take part. MatchResultsRegEx holds what the regex engine filled in;
// MatchResultsSimple is a plain list that literal scans fill.

#include <map>
#include <string>
#include <utility>
#include <vector>

struct re_registers; // the engine's region record (OnigRegion)
struct OnigMatchParamStruct; // the engine's per-call settings (OnigMatchParam)

namespace pel {

class MatchResults {
public:
    MatchResults() = default;
    MatchResults(const MatchResults&) = delete;
    MatchResults& operator=(const MatchResults&) = delete;
    virtual ~MatchResults();

    // Forgets every group.
    virtual void clear() = 0;
    // Number of groups held.
    virtual unsigned int size() const = 0;
    // Start and end (one past the last character) of group i; -1 when i >= size() or the group
    // did not take part.
    virtual int begin(unsigned int i) const = 0;
    virtual int end(unsigned int i) const = 0;

    virtual int length(unsigned int i) const;
    virtual unsigned int matchedCount() const;
    // The smallest group i >= 1 that took part; 0 when there is none.
    virtual unsigned int firstMatchedGroup() const;
    virtual bool found() const;
    virtual bool matched(unsigned int i) const;
    // Fills o_captures with the text of every group that took part, keyed by group number.
    // string_length is the length of text; every group must lie inside it.
    virtual void getCaptures(const wchar_t* text, int string_length,
                             std::map<unsigned int, std::wstring>* o_captures) const;
    // Stores group i (a kind that cannot store raises IllegalStateException).
    virtual void set(int i, int begin, int end);
    // Appends a group (a kind that cannot store raises IllegalStateException).
    virtual void add(int begin, int end);
};

class MatchResultsRegEx : public MatchResults {
public:
    MatchResultsRegEx();
    ~MatchResultsRegEx() override;

    void clear() override;
    unsigned int size() const override;
    int begin(unsigned int i) const override;
    int end(unsigned int i) const override;
    unsigned int matchedCount() const override;
    unsigned int firstMatchedGroup() const override;
    // Grows the groups to i + 1 when needed (new groups read -1); a negative i does nothing.
    void set(int i, int begin, int end) override;
    void add(int begin, int end) override;
    // How the match or search that last filled these results ended: 0 (found or not found) or
    // the engine's error code, such as its retry limit. The regex's own last error is shared by
    // every thread that uses it; this one belongs to the caller that owns the results.
    int getStatus() const { return m_status; }
    // Bounds the backtracking steps of every later match or search that fills these results,
    // counted over all of its start positions together (0: only each attempt's own limit). A
    // call past the bound ends with the engine's retry-limit error as its status.
    void setSearchRetryLimit(unsigned long limit);
    // Whether the last call ended at that bound.
    bool overSearchRetryLimit() const;

private:
    friend class RegEx;
    friend class RegExSetSearch;
    // The engine writes its byte offsets here; the cached counts must then be dropped.
    re_registers* region() { return m_region; }
    void forgetCachedCounts() const;
    bool growTo(int count);

    OnigMatchParamStruct* matchParam() const { return m_param; }

    re_registers* m_region;
    OnigMatchParamStruct* m_param = nullptr;
    unsigned long m_searchRetryLimit = 0;
    int m_status = 0;
    // The engine's byte offsets shifted right by this give the text's offsets: 1 for UTF-16
    // text, 0 for UTF-8 text (set by the search that fills the region; clear sets 1).
    int m_unitShift = 1;
    mutable unsigned int m_matched_count = 0;
    mutable bool m_matched_count_known = false;
    mutable unsigned int m_first_matched_group = 0;
    mutable bool m_first_matched_group_known = false;
};

class MatchResultsSimple : public MatchResults {
public:
    MatchResultsSimple() = default;

    void clear() override;
    unsigned int size() const override;
    int begin(unsigned int i) const override;
    int end(unsigned int i) const override;
    // Grows the list to i + 1 groups when needed, the new ones reading -1; a negative i does nothing.
    void set(int i, int begin, int end) override;
    void add(int begin, int end) override;

private:
    std::vector<std::pair<int, int>> m_groups;
};

} // namespace pel
