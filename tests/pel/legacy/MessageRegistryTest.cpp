#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/Runnables.h"

#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace pel;

namespace {

using tessel_test::pumpUntil;

// Records what reaches it (a null record as code 0xDEAD); onMessage runs inside the handler.
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
    }
    void TearDown() override {
        if (registry && registry->isEnabled())
            registry->releaseRegistry();
    }
    void init() { ASSERT_TRUE(registry->initRegistry(::GetModuleHandleW(nullptr))); }

    std::unique_ptr<MessageRegistry> registry;
    MessageData d{1, 2, 3, 0};
};

} // namespace

TEST_F(MessageRegistryTest, PostsOnlyWhileRunningAndUnbindsSurvivorsOnRelease) {
    Recorder early; // made before the window exists: bound, but nothing can be posted yet
    EXPECT_FALSE(early.msgPostData(&d));
    init();
    EXPECT_FALSE(registry->initRegistry(::GetModuleHandleW(nullptr)));
    EXPECT_TRUE(early.msgPostData(&d));
    d.code = 99; // the caller's record may be reused at once
    EXPECT_TRUE(registry->post(&early, nullptr));
    ASSERT_TRUE(pumpUntil([&] { return early.received.size() == 2; }));
    EXPECT_EQ(1u, early.received[0].code);
    EXPECT_EQ(MessageData::F_POOLED, early.received[0].flags);
    EXPECT_EQ(0xDEADu, early.received[1].code);
    EXPECT_EQ(0, registry->recordsInUse());

    // send delivers the caller's record before it returns, with bit 0 of its flags cleared.
    MessageData* seen = nullptr;
    early.onMessage = [&](MessageData* arrived) { seen = arrived; };
    d.flags = 0xFF;
    EXPECT_TRUE(early.msgSendData(&d));
    EXPECT_EQ(&d, seen);
    EXPECT_EQ(0xFEu, d.flags);
    EXPECT_EQ(0, early.getListenerInstance()->getRefCount());

    // What is still queued at the release is not delivered; the survivor neither posts nor
    // touches the freed instance, even once the registry is gone.
    EXPECT_TRUE(early.msgPostData(&d));
    EXPECT_TRUE(registry->releaseRegistry());
    EXPECT_EQ(nullptr, early.getListenerInstance());
    EXPECT_FALSE(registry->post(&early, &d));
    EXPECT_FALSE(registry->send(&early, &d));
    Recorder late(registry.get());
    EXPECT_EQ(nullptr, late.getListenerInstance());
    pumpUntil([] { return false; }, 50);
    EXPECT_EQ(3u, early.received.size());
    registry.reset();
    EXPECT_FALSE(early.msgPostData(&d));
}

TEST_F(MessageRegistryTest, FourWorkersDeliverEveryPostInOrder) {
    init();
    constexpr int kWorkers = 4, kPosts = 5000;
    Recorder listener;
    std::vector<std::unique_ptr<tessel_test::FunctionRunnable>> bodies;
    std::vector<std::unique_ptr<Thread>> threads;
    for (int w = 0; w < kWorkers; ++w) {
        bodies.emplace_back(new tessel_test::FunctionRunnable([&, w] {
            for (int i = 0; i < kPosts; ++i) {
                MessageData data{static_cast<uint32_t>(w), static_cast<UINT_PTR>(i), 0, 0};
                while (!listener.msgPostData(&data)) // a full window queue refuses: try again
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
    for (const MessageData& data : listener.received)
        ASSERT_EQ(next.at(data.code)++, data.param1);
    EXPECT_EQ(0, registry->recordsInUse());
    EXPECT_EQ(0, listener.getListenerInstance()->getRefCount());
}

TEST_F(MessageRegistryTest, DestroyedListenersLoseTheirMessagesAndLeakNothing) {
    init();
    int calls = 0;
    {
        Recorder doomed;
        doomed.onMessage = [&](MessageData*) { ++calls; };
        EXPECT_TRUE(doomed.msgPostData(&d));
        EXPECT_TRUE(doomed.msgPostData(&d));
    }
    EXPECT_EQ(1u, registry->instanceCount()); // kept for the messages in flight
    ASSERT_TRUE(pumpUntil([&] { return registry->instanceCount() == 0; }));
    EXPECT_EQ(0, calls);
    EXPECT_EQ(0, registry->recordsInUse());

    // Destroyed by its own handler: the next message is dropped and the last frees the instance.
    auto* selfDestroying = new Recorder;
    selfDestroying->onMessage = [&](MessageData*) {
        ++calls;
        delete selfDestroying;
    };
    EXPECT_TRUE(selfDestroying->msgPostData(&d));
    EXPECT_TRUE(selfDestroying->msgPostData(&d));
    ASSERT_TRUE(pumpUntil([&] { return registry->instanceCount() == 0; }));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(0, registry->recordsInUse());

    // A copy has an instance of its own, so each side releases only its own.
    {
        Recorder original;
        Recorder copy(original);
        EXPECT_NE(original.getListenerInstance(), copy.getListenerInstance());
    }
    EXPECT_EQ(0u, registry->instanceCount());
}

TEST_F(MessageRegistryTest, ForeignAndRawMessages) {
    init();
    Recorder listener, first, second;
    const HWND window = registry->getWindow();
    // The registered message from elsewhere, with an instance that is not ours, is ignored.
    ASSERT_TRUE(::PostMessageW(window, registry->getMessageId(), 0x12345678, 0x87654321));
    EXPECT_TRUE(listener.msgPostData(&d));
    ASSERT_TRUE(pumpUntil([&] { return listener.received.size() == 1; }));

    // Other messages go to the raw listeners in order; the first that takes one ends the walk.
    RawMessage raw = {window, WM_USER + 5, 0, 0};
    EXPECT_FALSE(registry->processMessage(&raw));
    registry->addRawMessageListener(&first);
    registry->addRawMessageListener(&second);
    registry->addRawMessageListener(&first);
    second.takeRaw = true;
    EXPECT_EQ(0, ::SendMessageW(window, WM_USER + 6, 0, 0));
    EXPECT_EQ((std::vector<UINT>{WM_USER + 6}), first.raw);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 6}), second.raw);
    registry->removeRawMessageListener(&second);
    EXPECT_FALSE(registry->processMessage(&raw));
    EXPECT_EQ(1u, second.raw.size());
}
