#include "pel/base/Exception.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace pel;
using tessel_test::pumpPending;
using tessel_test::pumpUntil;

namespace {

// Records what reaches it; onMessage, when set, runs inside the handler.
class Recorder final : public MessageListener {
public:
    using MessageListener::MessageListener;
    void msgOnMessage(MessageData* data) override {
        received.push_back(data ? *data : MessageData{0xDEAD, 0, 0, 0});
        if (onMessage)
            onMessage(data);
    }
    bool msgOnRawMessage(RawMessage* message) override {
        raw.push_back(message->message);
        return takeRaw;
    }
    std::vector<MessageData> received;
    std::vector<UINT> raw;
    bool takeRaw = false;
    std::function<void(MessageData*)> onMessage;
};

class MessageRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_main_thread_id(); // the test runner's thread stands in for the entry point
        registry.reset(new MessageRegistry);
        ASSERT_EQ(registry.get(), MessageRegistry::getInstance());
    }
    void TearDown() override {
        if (registry && registry->isEnabled())
            registry->releaseRegistry();
        registry.reset();
    }
    void init() { ASSERT_TRUE(registry->initRegistry(::GetModuleHandleW(nullptr))); }

    static MessageData data(uint32_t code, UINT_PTR param1 = 0) { return MessageData{code, param1, 7, 0}; }

    std::unique_ptr<MessageRegistry> registry;
};

} // namespace

TEST_F(MessageRegistryTest, PostsOnlyWhileRunningAndUnbindsSurvivorsOnRelease) {
    Recorder early; // made before the window exists: bound, but nothing can be posted yet
    MessageData d = data(1);
    EXPECT_FALSE(early.msgPostData(&d));
    EXPECT_EQ(0u, registry->getMessageId());

    init();
    EXPECT_EQ(MessageRegistry::getUniqueMsgID(), registry->getMessageId());
    EXPECT_GE(registry->getMessageId(), 0xC000u);
    {
        tessel_test::LogCapture capture;
        EXPECT_FALSE(registry->initRegistry(::GetModuleHandleW(nullptr)));
        ASSERT_EQ(1u, capture.lines().size());
        EXPECT_NE(std::wstring::npos, capture.lines()[0].text.find(L"Assertion failed for `0`"));
    }
    EXPECT_TRUE(early.msgPostData(&d));
    d.code = 99; // the caller's record may be reused at once
    EXPECT_TRUE(registry->post(&early, nullptr));
    ASSERT_TRUE(pumpUntil([&] { return early.received.size() == 2; }));
    EXPECT_EQ(1u, early.received[0].code);
    EXPECT_EQ(7u, early.received[0].param2);
    EXPECT_EQ(MessageData::F_POOLED, early.received[0].flags);
    EXPECT_EQ(0xDEADu, early.received[1].code); // null data arrives as null
    EXPECT_EQ(0, registry->recordsInUse());

    // A message still queued at release is not delivered; the survivor neither posts nor
    // touches the freed instance, even once the registry itself is gone.
    EXPECT_TRUE(early.msgPostData(&d));
    EXPECT_TRUE(registry->releaseRegistry());
    EXPECT_EQ(nullptr, early.getListenerInstance());
    EXPECT_FALSE(early.msgPostData(&d));
    EXPECT_FALSE(registry->post(&early, &d));
    EXPECT_FALSE(registry->send(&early, &d));
    Recorder late(registry.get()); // made after the release: unbound
    EXPECT_EQ(nullptr, late.getListenerInstance());
    EXPECT_FALSE(registry->post(&late, &d));
    pumpPending();
    EXPECT_EQ(2u, early.received.size());
    registry.reset();
    EXPECT_FALSE(early.msgPostData(&d));
}

TEST_F(MessageRegistryTest, FourWorkersDeliverEveryPostInOrder) {
    init();
    constexpr int kWorkers = 4;
    constexpr int kPosts = 5000;
    Recorder listener;
    std::vector<std::unique_ptr<tessel_test::FunctionRunnable>> bodies;
    std::vector<std::unique_ptr<Thread>> threads;
    for (int w = 0; w < kWorkers; ++w) {
        bodies.emplace_back(new tessel_test::FunctionRunnable([&, w] {
            for (int i = 0; i < kPosts; ++i) {
                MessageData d = data(static_cast<uint32_t>(w), static_cast<UINT_PTR>(i));
                while (!listener.msgPostData(&d)) // a full window queue refuses: try again
                    ::Sleep(1);
            }
        }));
        threads.emplace_back(new Thread);
        threads.back()->start(*bodies.back());
    }
    const bool all = pumpUntil([&] { return listener.received.size() == size_t(kWorkers * kPosts); });
    for (auto& thread : threads)
        thread->join();
    ASSERT_TRUE(all) << listener.received.size();
    std::vector<UINT_PTR> next(kWorkers, 0);
    for (const MessageData& d : listener.received) {
        ASSERT_LT(d.code, uint32_t(kWorkers));
        ASSERT_EQ(next[d.code]++, d.param1);
    }
    EXPECT_EQ(0, registry->recordsInUse());
    EXPECT_EQ(0, listener.getListenerInstance()->getRefCount());
}

TEST_F(MessageRegistryTest, SendDeliversTheCallersRecordBeforeReturning) {
    init();
    Recorder listener;
    MessageData d{5, 6, 7, 0xFF};
    MessageData* seen = nullptr;
    listener.onMessage = [&](MessageData* arrived) { seen = arrived; };
    EXPECT_TRUE(listener.msgSendData(&d));
    EXPECT_EQ(&d, seen);
    EXPECT_EQ(0xFEu, d.flags);
    EXPECT_EQ(5u, d.code);
    EXPECT_EQ(0, registry->recordsInUse());
    EXPECT_EQ(0, listener.getListenerInstance()->getRefCount());
}

TEST_F(MessageRegistryTest, DestroyedListenersLoseTheirMessagesAndLeakNothing) {
    init();
    const size_t baseInstances = registry->instanceCount();
    int lost = 0;
    {
        Recorder doomed;
        doomed.onMessage = [&](MessageData*) { ++lost; };
        MessageData d = data(1);
        EXPECT_TRUE(doomed.msgPostData(&d));
        EXPECT_TRUE(doomed.msgPostData(&d));
        EXPECT_EQ(2, registry->recordsInUse());
    }
    EXPECT_EQ(baseInstances + 1, registry->instanceCount()); // kept for the messages in flight
    ASSERT_TRUE(pumpUntil([&] { return registry->instanceCount() == baseInstances; }));
    EXPECT_EQ(0, lost);
    EXPECT_EQ(0, registry->recordsInUse());

    // A listener that destroys itself in its handler: the message after it is dropped, and
    // the instance goes with the last one.
    auto* selfDestroying = new Recorder;
    int calls = 0;
    selfDestroying->onMessage = [&](MessageData*) {
        ++calls;
        delete selfDestroying;
    };
    MessageData d = data(2);
    EXPECT_TRUE(selfDestroying->msgPostData(&d));
    EXPECT_TRUE(selfDestroying->msgPostData(&d));
    ASSERT_TRUE(pumpUntil([&] { return registry->instanceCount() == baseInstances; }));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(0, registry->recordsInUse());

    // A copy has an instance of its own, so each side releases only its own.
    {
        Recorder original;
        Recorder copy(original);
        EXPECT_NE(original.getListenerInstance(), copy.getListenerInstance());
        EXPECT_EQ(baseInstances + 2, registry->instanceCount());
    }
    EXPECT_EQ(baseInstances, registry->instanceCount());
}

TEST_F(MessageRegistryTest, ForeignAndRawMessages) {
    init();
    Recorder listener;
    const HWND window = registry->getWindow();

    // The registered message from elsewhere, with an instance that is not ours, is ignored.
    MessageListenerInstance* fake = reinterpret_cast<MessageListenerInstance*>(0x12345678);
    ASSERT_TRUE(::PostMessageW(window, registry->getMessageId(), reinterpret_cast<WPARAM>(fake), 0x87654321));
    MessageData d = data(3);
    EXPECT_TRUE(listener.msgPostData(&d));
    ASSERT_TRUE(pumpUntil([&] { return listener.received.size() == 1; }));
    EXPECT_EQ(3u, listener.received[0].code);

    // Other messages go to the raw listeners in order; the first that takes one ends the walk.
    RawMessage raw = {window, WM_USER + 5, 0, 0};
    EXPECT_FALSE(registry->processMessage(&raw));
    Recorder first, second;
    registry->addRawMessageListener(&first);
    registry->addRawMessageListener(&second);
    registry->addRawMessageListener(&first);
    second.takeRaw = true;
    EXPECT_EQ(0, ::SendMessageW(window, WM_USER + 6, 0, 0));
    EXPECT_EQ((std::vector<UINT>{WM_USER + 6}), first.raw);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 6}), second.raw);
    second.takeRaw = false;
    registry->removeRawMessageListener(&second);
    EXPECT_FALSE(registry->processMessage(&raw));
    EXPECT_EQ(1u, second.raw.size());
    EXPECT_EQ(2u, first.raw.size());
}

TEST_F(MessageRegistryTest, ListenersBelongToTheMainThread) {
    init();
    std::wstring message;
    tessel_test::FunctionRunnable body([&] {
        try {
            Recorder offMain;
        } catch (const IllegalStateException& e) {
            message = e.message;
        }
    });
    Thread worker;
    worker.start(body);
    worker.join();
    EXPECT_EQ(L"Not a main thread.", message);
}
