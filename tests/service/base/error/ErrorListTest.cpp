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

Tags tags(std::initializer_list<unsigned int> list) {
    Tags set;
    for (unsigned int tag : list)
        set.insert(tag);
    return set;
}

ErrorList::ErrorPtr error(uint32_t severity, std::initializer_list<unsigned int> list = {}) {
    return std::make_shared<Error>(severity, tags(list));
}

// Records the notices of a list as "+N" and "-N", N the error's severity; reaches the protected
// tag-count change.
struct Journaled : ErrorList {
    Journaled() {
        added.add(this, [this](ErrorList&, const ErrorPtr& e) { entries.push_back("+" + std::to_string(e->getSeverity())); });
        removed.add(this, [this](ErrorList&, const ErrorPtr& e) { entries.push_back("-" + std::to_string(e->getSeverity())); });
    }
    using ErrorList::changeTagCount;
    std::vector<std::string> entries;
};

} // namespace

TEST(ErrorList, CountsPerSeverityAndTagFollowAddsAndRemoves) {
    Journaled list;
    const ErrorList::ErrorPtr a = error(2, {7}), b = error(0), c = error(2, {7, 8});
    for (const ErrorList::ErrorPtr& e : {a, b, c})
        list.add(e);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), list.getSeverityCounts());
    EXPECT_TRUE(list.hasSeverity(2) && !list.hasSeverity(1) && !list.hasSeverity(5));
    EXPECT_EQ(2u, list.getTagCount(7));
    EXPECT_EQ(a, list.getFirst());

    list.remove(error(2)); // not listed: nothing changes, nobody is told
    list.remove(a);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 1}), list.getSeverityCounts());
    list.remove(c);
    EXPECT_TRUE(list.getTagCounts().empty()); // tags whose count fell to zero leave
    EXPECT_EQ((std::vector<std::string>{"+2", "+0", "+2", "-2", "-2"}), list.entries);
    list.remove(b);
    EXPECT_EQ(nullptr, list.getFirst());

    EXPECT_THROW(list.changeTagCount(1, 0), pel::InvalidArgumentException); // "amount is zero"
    list.changeTagCount(1, 3);
    list.changeTagCount(1, -2);
    EXPECT_EQ(1u, list.getTagCount(1));
}

TEST(ErrorList, TagQueriesNeedEveryTag) {
    const std::pair<Tags, bool> rows[] = {{tags({1}), true}, {tags({1, 2}), true}, {tags({1, 3}), false}, {Tags(), true}};
    for (const auto& [query, found] : rows) {
        ErrorList list, matches;
        const ErrorList::ErrorPtr tagged = error(1, {1, 2});
        list.add(tagged);
        list.add(error(1, {9}));
        list.getErrorsWithTags(query, &matches);
        EXPECT_EQ(found, matches.getFirst() == tagged);
        list.removeErrorsWithTags(query);
        EXPECT_EQ(found, list.getFirst() != tagged);
    }
    ErrorList list;
    for (uint32_t severity : {1, 2, 3})
        list.add(error(severity, {severity == 2 ? 5u : 4u, severity}));
    list.removeErrorsWithTag(4);
    EXPECT_EQ(1u, list.size());
    EXPECT_EQ((std::map<unsigned int, uint32_t>{{2, 1}, {5, 1}}), list.getTagCounts());
}

TEST(ErrorList, ClearTellsEachRemovalInOrderAndMergeWithItselfDoubles) {
    Journaled list;
    for (uint32_t severity : {3, 1, 4})
        list.add(error(severity, {severity}));
    list.merge(list);
    EXPECT_EQ(6u, list.size());
    EXPECT_EQ(2u, list.getTagCount(3));
    EXPECT_EQ(list.getErrors()[0], list.getErrors()[3]);
    list.entries.clear();
    list.clear();
    EXPECT_EQ((std::vector<std::string>{"-3", "-1", "-4", "-3", "-1", "-4"}), list.entries);
    EXPECT_TRUE(list.getSeverityCounts().empty());
    EXPECT_TRUE(list.getTagCounts().empty());
    list.added.remove(&list);
    list.add(error(0));
    EXPECT_EQ(6u, list.entries.size());
}

TEST(ErrorList, NullChecksNameTheParameterAndTheSource) {
    ErrorList list;
    tessel_test::LogCapture capture;
    EXPECT_THROW(list.add(nullptr), pel::NullPointerException);
    EXPECT_THROW(list.getErrorsWithTags(Tags(), nullptr), pel::NullPointerException);
    std::vector<std::wstring> lines;
    for (const tessel_test::LoggedLine& line : capture.lines())
        lines.push_back(line.text.substr(0, line.text.find(L'(')));
    EXPECT_EQ((std::vector<std::wstring>{L"NULL pointer: `error`\n\tservice/base/error/ErrorList",
                                         L"NULL pointer: `o_errors`\n\tservice/base/error/ErrorList"}),
              lines);
}

TEST(Error, DefaultsCloneAndSeverityLimit) {
    const Error original(3, tags({1, 2}));
    EXPECT_EQ(L"Unknown error.", original.getMessage());
    const std::shared_ptr<Error> copy = original.clone();
    EXPECT_TRUE(copy->getSeverity() == 3u && copy->getTags().values() == original.getTags().values());
    tessel_test::LogCapture capture;
    EXPECT_EQ(Error::MAX_SEVERITY, Error(0xFFFFFFFF).getSeverity()); // not 4 G counters
    EXPECT_EQ(1u, capture.lines().size());
}

TEST(TaggedObject, NullOnlyRemoves) {
    TaggedObject object;
    object.setTag(5, nullptr);
    EXPECT_FALSE(object.removeTag(5));
    int a = 0, b = 0;
    object.setTag(5, &a);
    object.setTag(5, &b);
    object.setTag(6, &a);
    const TaggedObject copy(object);
    object.setTag(6, nullptr);
    EXPECT_EQ(nullptr, object.getTag(6));
    EXPECT_TRUE(object.removeTag(5));
    EXPECT_TRUE(copy.getTag(5) == &b && copy.getTag(6) == &a);
}
