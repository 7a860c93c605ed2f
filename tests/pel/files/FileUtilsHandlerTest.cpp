#include "pel/base/Timestamp.h"
#include "pel/files/FileList.h"
#include "pel/files/FileUtilsHandler.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace pel;
using H = FileUtilsHandler;

namespace {

struct Asked {
    uint32_t reply = H::UI_Ok;
    int count = 0;
};

uint32_t reply(void* context, H*) {
    Asked* asked = static_cast<Asked*>(context);
    ++asked->count;
    return asked->reply;
}

uint32_t askAbout(H& handler, uint32_t code, bool fatal = false) {
    FileErrorObject::setError(code).addParam(L"x");
    return handler.ask(fatal);
}

TEST(FileList, EntriesGroupsAndStatistics) {
    StaticFileList list(FileList::OperationCopyPath);
    FileInfo file{};
    file.size = 5;
    FileInfo directory{};
    directory.flags = FILEINFO_DIRECTORY;
    list.add(L"a", &directory);
    list.add(L"b", nullptr);
    list.beginGroup();
    FileListEntry* grouped = list.add(L"c", &file);
    list.add(L"d", &file);
    EXPECT_EQ(FILELIST_GROUP_START | FILELIST_HAS_INFO, list.first()->flags); // pending after construction
    EXPECT_EQ(FILELIST_GROUP_START | FILELIST_HAS_INFO, grouped->flags);
    EXPECT_EQ(FILELIST_HAS_INFO, grouped->next->flags);
    const FileListStatistics* statistics = list.statistics();
    EXPECT_TRUE(statistics->directories == 1 && statistics->files == 2 && statistics->totalSize == 10u);
    list.clear();
    EXPECT_TRUE(list.count() == 0 && list.statistics()->totalSize == 0u);
    EXPECT_EQ(FILELIST_GROUP_START, list.add(L"e", nullptr)->flags);
}

TEST(FileUtilsHandler, QuestionProtocol) {
    using namespace FileErrorCode;
    H handler;
    EXPECT_EQ(H::UI_Cancel, askAbout(handler, QUESTION_CONFIRM)); // no callback
    Asked asked;
    handler.questionCallback = {&asked, reply};
    const struct {
        uint32_t reply, code;
        bool fatal, skipForbidden;
        uint32_t answer, category;
        bool remembered;
    } cases[] = {
        {H::UI_Retry | H::UI_ForAll, 5, false, false, H::UI_Retry, H::QuestionRetry, false},
        {H::UI_Skip | H::UI_ForAll, 32, false, true, H::UI_Cancel, H::QuestionRetry, false},
        {H::UI_Ok, ERROR_FILE_NOT_FOUND, false, false, H::UI_Cancel, H::QuestionFatal, false},
        {H::UI_Ok, 1234, true, false, H::UI_Cancel, H::QuestionFatal, false},
        {H::UI_Ok | H::UI_ForAll, QUESTION_REPLACE, false, false, H::UI_Ok, H::QuestionReplace, true},
        {H::UI_Skip | H::UI_ForAll, QUESTION_DELETE, false, false, H::UI_Skip, H::QuestionDelete, true},
        {H::UI_Ok, QUESTION_CONFIRM, false, false, H::UI_Ok, H::QuestionYesNo, false},
    };
    for (const auto& c : cases) {
        tessel_test::LogCapture log;
        asked.reply = c.reply;
        handler.skipForbidden = c.skipForbidden;
        const int before = asked.count;
        EXPECT_EQ(c.answer, askAbout(handler, c.code, c.fatal)) << c.code;
        EXPECT_EQ(c.category, handler.category) << c.code;
        EXPECT_EQ(c.code, FileErrorObject::getErrorCode()); // still there for the caller
        EXPECT_EQ(c.remembered, handler.answers.count(c.code) == 1) << c.code;
        EXPECT_EQ(c.reply == (H::UI_Retry | H::UI_ForAll), !log.lines().empty());
        // A remembered answer comes back without the callback.
        askAbout(handler, c.code, c.fatal);
        EXPECT_EQ(before + (c.remembered ? 1 : 2), asked.count) << c.code;
    }
    // "Yes to all" and the pre-answers of acceptAllQuestions survive a reset; 0x20003017 is asked.
    handler.reset(false);
    handler.acceptAllQuestions();
    asked.reply = H::UI_Cancel;
    const int before = asked.count;
    for (uint32_t code : {uint32_t{QUESTION_REPLACE_READ_ONLY}, uint32_t{QUESTION_DELETE}, uint32_t{QUESTION_REPLACE_DIRECTORY}, 183u})
        EXPECT_EQ(H::UI_Ok, askAbout(handler, code));
    EXPECT_EQ(before, asked.count);
    EXPECT_EQ(H::UI_Cancel, askAbout(handler, QUESTION_CONFIRM));
    handler.copyAnswer(QUESTION_DELETE, 77);
    EXPECT_EQ(H::UI_Ok, askAbout(handler, 77));
    EXPECT_EQ(before + 1, asked.count);
}

TEST(FileUtilsHandler, ProgressPollsAndTimeLeft) {
    H handler;
    int calls = 0;
    handler.progressCallback = {&calls, [](void* c, H*) { return ++*static_cast<int*>(c); }};
    handler.pollInterval = 0;
    EXPECT_EQ(1, handler.updateProgress(100, false));
    EXPECT_EQ(2, handler.updateProgress(60, false)); // the file's count only
    EXPECT_EQ(100u, handler.bytesDone);
    handler.pollInterval = 1000000;
    handler.lastPoll = currentTimeMillis();
    EXPECT_FALSE(handler.isPollDue());
    EXPECT_EQ(0, handler.updateProgress(160, false));
    EXPECT_TRUE(handler.progressPending);
    EXPECT_EQ(200u, handler.bytesDone);

    // Before 3 seconds of execution and before the first item the estimate is unknown.
    const int64_t now = 1700000000000;
    handler.totalItems = 10;
    handler.doneItems = 0;
    handler.executionStart = now - 4000;
    EXPECT_EQ(-1, estimateTimeRemaining(&handler, now));
    handler.doneItems = 2;
    handler.executionStart = now - 2000;
    EXPECT_EQ(-1, estimateTimeRemaining(&handler, now));
    handler.executionStart = now - 4000;
    EXPECT_EQ(16, estimateTimeRemaining(&handler, now)); // 8 items left at 2 s each
    EXPECT_EQ(16, estimateTimeRemaining(&handler, now + 50)); // kept for 100 ms

    EXPECT_STREQ(L"File operation", H::getOperationName(2));
    EXPECT_STREQ(L"Copying file", H::getOperationName(16));
}

} // namespace
