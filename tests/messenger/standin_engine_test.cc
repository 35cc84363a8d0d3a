// The parts of the stand-in engine that other suites rely on without seeing them.
#include <gtest/gtest.h>

#include <thread>

#include "tests/messenger/standin_engine_handle.h"

namespace {

int calls = 0;
std::thread::id caller;

void CountingCallback(FlutterDesktopMessengerRef, const FlutterDesktopMessage* message, void*) {
  ++calls;
  caller = std::this_thread::get_id();
  EXPECT_EQ(message->message, nullptr) << "an empty message comes without bytes";
}

void CountFrame(void* counter) { ++*static_cast<int*>(counter); }

TEST(StandinEngineTest, MessagesReachTheRegisteringThread) {
  StandinEngineHandle engine;
  calls = 0;
  FlutterDesktopMessengerSetCallback(engine.messenger(), "c", CountingCallback, nullptr);
  int64_t id = 0;
  std::thread injector([&] { id = engine.Inject("c", {}); });
  injector.join();
  EXPECT_EQ(calls, 0) << "held until the registering thread pumps";
  EXPECT_EQ(StandinEnginePumpMessages(engine.engine()), 1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(caller, std::this_thread::get_id());
  EXPECT_EQ(engine.Reply(id), std::nullopt) << "the callback did not answer";

  engine.Inject("c", {});
  EXPECT_EQ(calls, 2) << "the registering thread itself is served at once";
  EXPECT_EQ(engine.Reply(engine.Inject("nobody", {1})), Bytes{}) << "unregistered: empty reply";
}

TEST(StandinEngineTest, EndingTheEngine) {
  StandinEngineHandle engine;
  FlutterDesktopMessengerRef messenger = engine.messenger();
  int replies = 0;
  FlutterDesktopMessengerSendWithReply(
      messenger, "c", nullptr, 0,
      [](const uint8_t* data, size_t size, void* count) {
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        ++*static_cast<int*>(count);
      },
      &replies);
  int frames = 0;
  FlutterDesktopEngineSetNextFrameCallback(engine.engine(), CountFrame, &frames);
  FlutterDesktopMessengerAddRef(messenger);
  EXPECT_TRUE(FlutterDesktopMessengerIsAvailable(messenger));
  StandinEngineShutDown(engine.engine());
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  EXPECT_EQ(replies, 1) << "an awaited reply is answered empty";
  EXPECT_FALSE(StandinEngineFireNextFrame(engine.engine()));
  EXPECT_EQ(engine.Inject("c", {}), 0);
  engine.Destroy();
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger)) << "the messenger outlives it";
  EXPECT_EQ(StandinEngineMessengerReferences(messenger), 1);
  FlutterDesktopMessengerRelease(messenger);
  EXPECT_EQ(frames, 0);
}

}  // namespace
