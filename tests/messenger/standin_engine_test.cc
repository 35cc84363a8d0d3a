// The parts of the stand-in engine that other suites rely on without seeing them.
#include <gtest/gtest.h>

#include <string>
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

TEST(StandinEngineTest, ViewControllerTakesTheEngineOver) {
  StandinEngineResetCounters();
  const char* arguments[] = {"a", "b"};
  FlutterDesktopEngineProperties properties{};
  properties.assets_path = L"data\\flutter_assets";
  properties.dart_entrypoint = "";
  properties.dart_entrypoint_argc = 2;
  properties.dart_entrypoint_argv = arguments;
  FlutterDesktopEngineRef engine = FlutterDesktopEngineCreate(&properties);
  ASSERT_EQ(StandinEngineLastCreated(), engine);
  const StandinEngineCreation* creation = StandinEngineGetCreation(engine);
  EXPECT_EQ(std::wstring(creation->assets_path), L"data\\flutter_assets");
  ASSERT_EQ(creation->dart_entrypoint_argc, 2);
  EXPECT_EQ(std::string(creation->dart_entrypoint_argv[1]), "b");
  EXPECT_FALSE(creation->dart_entrypoint_argv_was_null);

  int frames = 0;
  FlutterDesktopEngineSetNextFrameCallback(engine, CountFrame, &frames);
  EXPECT_TRUE(StandinEngineFireNextFrame(engine));
  EXPECT_FALSE(StandinEngineFireNextFrame(engine)) << "once per registration";
  EXPECT_EQ(frames, 1);

  FlutterDesktopViewControllerRef controller = FlutterDesktopViewControllerCreate(8, 6, engine);
  ASSERT_NE(controller, nullptr);
  EXPECT_NE(FlutterDesktopViewControllerGetView(controller), nullptr);
  FlutterDesktopViewControllerDestroy(controller);
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.engine_destroy_calls, 0);
  EXPECT_EQ(counters.view_controller_destroy_calls, 1);
  EXPECT_EQ(StandinEngineLastCreated(), nullptr) << "ended with its controller";

  StandinEngineSetRefuseViewControllers(true);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(8, 6, FlutterDesktopEngineCreate(&properties)),
            nullptr);
  StandinEngineSetRefuseViewControllers(false);
}

}  // namespace
