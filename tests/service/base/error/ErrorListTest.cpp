#include "service/base/error/ErrorList.h"
#include "service/base/error/TaggedObject.h"

#include "pel/base/Exception.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;
using Tags = pel::Tags<unsigned int>;

namespace {

ErrorList::ErrorPtr error(uint32_t severity, std::initializer_list<unsigned int> tags = {}) {
    Tags set;
    for (unsigned int tag : tags)
        set.insert(tag);
    return std::make_shared<Error>(severity, set);
}

// Records the notices of a list as "+N" and "-N", N the error's severity.
struct Journal {
    explicit Journal(ErrorList& list) {
        list.added.add(this, [this](ErrorList&, const ErrorList::ErrorPtr& e) { told("+", e); });
        list.removed.add(this, [this](ErrorList&, const ErrorList::ErrorPtr& e) { told("-", e); });
    }
    void told(const char* sign, const ErrorList::ErrorPtr& e) { entries.push_back(sign + std::to_string(e->getSeverity())); }
    std::vector<std::string> entries;
};

// Reaches the protected tag-count change.
struct OpenList : ErrorList {
    using ErrorList::changeTagCount;
};

} // namespace

TEST(ErrorList, CountsPerSeverityAndTagFollowAddsAndRemoves) {
    ErrorList list;
    Journal journal(list);
    const ErrorList::ErrorPtr a = error(2, {7}), b = error(0), c = error(2, {7, 8});
    for (const ErrorList::ErrorPtr& e : {a, b, c})
        list.add(e);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), list.getSeverityCounts());
    EXPECT_TRUE(list.hasSeverity(2));
    EXPECT_FALSE(list.hasSeverity(1));
    EXPECT_FALSE(list.hasSeverity(5));
    EXPECT_EQ(2u, list.getTagCount(7));
    EXPECT_EQ(a, list.getFirst());

    list.remove(error(2)); // not listed: nothing changes, nobody is told
    list.remove(a);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 1}), list.getSeverityCounts());
    list.remove(c);
    EXPECT_EQ(0u, list.getTagCount(7));
    EXPECT_TRUE(list.getTagCounts().empty()); // tags whose count fell to zero leave
    EXPECT_EQ((std::vector<std::string>{"+2", "+0", "+2", "-2", "-2"}), journal.entries);
    EXPECT_EQ(b, list.getFirst());
    list.remove(b);
    EXPECT_EQ(nullptr, list.getFirst());
}

TEST(ErrorList, TagQueriesNeedEveryTag) {
    const struct {
        Tags query;
        bool found;
    } rows[] = {
        {Tags(1), true},
        {[] { Tags t(1); t.insert(2); return t; }(), true},
        {[] { Tags t(1); t.insert(3); return t; }(), false},
        {Tags(), true},
    };
    for (const auto& row : rows) {
        ErrorList list;
        const ErrorList::ErrorPtr tagged = error(1, {1, 2}), other = error(1, {9});
        list.add(tagged);
        list.add(other);
        ErrorList found;
        list.getErrorsWithTags(row.query, &found);
        EXPECT_EQ(row.found ? 1u : 0u, std::count(found.getErrors().begin(), found.getErrors().end(), tagged));
        list.removeErrorsWithTags(row.query);
        EXPECT_EQ(!row.found, std::count(list.getErrors().begin(), list.getErrors().end(), tagged) == 1);
    }
    ErrorList list;
    list.add(error(1, {4}));
    list.add(error(2, {5}));
    list.add(error(3, {4, 6}));
    list.removeErrorsWithTag(4);
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(2u, list.getFirst()->getSeverity());
    EXPECT_EQ((std::map<unsigned int, uint32_t>{{5, 1}}), list.getTagCounts());
}

TEST(ErrorList, ClearTellsEachRemovalInOrderAndMergeWithItselfDoubles) {
    ErrorList list;
    for (uint32_t severity : {3, 1, 4})
        list.add(error(severity, {severity}));
    Journal journal(list);
    ErrorList copy;
    copy.merge(list);
    list.merge(list);
    EXPECT_EQ(6u, list.size());
    EXPECT_EQ(2u, list.getTagCount(3));
    EXPECT_EQ(list.getErrors()[0], list.getErrors()[3]);
    EXPECT_EQ((std::vector<std::string>{"+3", "+1", "+4"}), journal.entries);

    journal.entries.clear();
    copy.added.remove(&journal); // nothing of journal's there: no effect
    list.clear();
    EXPECT_EQ((std::vector<std::string>{"-3", "-1", "-4", "-3", "-1", "-4"}), journal.entries);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.getSeverityCounts().empty());
    EXPECT_TRUE(list.getTagCounts().empty());
    EXPECT_EQ(3u, copy.size());

    list.added.remove(&journal);
    list.add(error(0));
    EXPECT_EQ(6u, journal.entries.size());
}

TEST(ErrorList, HardChecksAndTheZeroAmount) {
    ErrorList list;
    tessel_test::LogCapture capture;
    EXPECT_THROW(list.add(nullptr), pel::NullPointerException);
    EXPECT_THROW(list.remove(nullptr), pel::NullPointerException);
    EXPECT_THROW(list.getErrorsWithTags(Tags(), nullptr), pel::NullPointerException);
    std::vector<std::wstring> lines;
    for (const tessel_test::LoggedLine& line : capture.lines())
        lines.push_back(line.text.substr(0, line.text.find(L'(')));
    EXPECT_EQ((std::vector<std::wstring>{L"NULL pointer: `error`\n\tservice/base/error/ErrorList",
                                         L"NULL pointer: `error`\n\tservice/base/error/ErrorList",
                                         L"NULL pointer: `o_errors`\n\tservice/base/error/ErrorList"}),
              lines);

    OpenList open;
    try {
        open.changeTagCount(1, 0);
        ADD_FAILURE() << "a zero amount was taken";
    } catch (const pel::InvalidArgumentException& e) {
        EXPECT_EQ(L"amount is zero", e.message);
    }
    open.changeTagCount(1, 3);
    open.changeTagCount(1, -2);
    EXPECT_EQ(1u, open.getTagCount(1));
    open.changeTagCount(1, -5);
    EXPECT_TRUE(open.getTagCounts().empty());
}

TEST(Error, DefaultsCloneAndSeverityLimit) {
    Tags tags(1);
    tags.insert(2);
    const Error original(3, tags);
    EXPECT_EQ(L"Unknown error.", original.getMessage());
    const std::shared_ptr<Error> copy = original.clone();
    EXPECT_NE(&original, copy.get());
    EXPECT_EQ(3u, copy->getSeverity());
    EXPECT_EQ(tags.values(), copy->getTags().values());
    EXPECT_TRUE(Error().getTags().empty());

    tessel_test::LogCapture capture;
    Error huge(0xFFFFFFFF); // would grow a list's counters to 4 G entries
    EXPECT_EQ(Error::MAX_SEVERITY, huge.getSeverity());
    EXPECT_EQ(1u, capture.lines().size());
}

TEST(TaggedObject, NullOnlyRemoves) {
    TaggedObject object;
    object.setTag(5, nullptr);
    EXPECT_FALSE(object.removeTag(5));
    EXPECT_EQ(nullptr, object.getTag(5));

    int a = 0, b = 0;
    object.setTag(5, &a);
    object.setTag(5, &b);
    object.setTag(6, &a);
    const TaggedObject copy(object);
    EXPECT_EQ(&b, object.getTag(5));
    object.setTag(6, nullptr);
    EXPECT_EQ(nullptr, object.getTag(6));
    EXPECT_TRUE(object.removeTag(5));
    EXPECT_FALSE(object.removeTag(5));
    EXPECT_EQ(&a, copy.getTag(6));
    EXPECT_EQ(&b, copy.getTag(5));
}
