// The engine wrappers and the window hosting the engine's view, against the stand-in engine
// library and web-view plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/engine_project.h"
#include "host/flutter_engine.h"
#include "host/flutter_view_controller.h"
#include "host/flutter_window.h"
#include "standins/engine/standin_engine_test_api.h"
#include "standins/webview_plugin/webview_plugin_test_api.h"

namespace {

using flutter::EngineProject;

class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    StandinEngineResetCounters();
    StandinEngineSetRefuseViewControllers(false);
    plugin_registrations_ = QuenbrelTestWebViewPluginRegistrationCount();
  }
  void TearDown() override { StandinEngineSetRefuseViewControllers(false); }

  bool Create(FlutterWindow& window) { return window.Create(L"Quenbrel", {10, 10}, {640, 480}); }
  int NewPluginRegistrations() const {
    return QuenbrelTestWebViewPluginRegistrationCount() - plugin_registrations_;
  }

  EngineProject project_{L"data"};
  int plugin_registrations_ = 0;
};

// The record the engine is made from; an engine the wrapper owns is ended once.
TEST_F(EngineTest, CreationRecordCarriesTheProject) {
  const std::vector<std::vector<std::string>> argument_lists = {{}, {"alpha", "beta gamma"}};
  for (const std::vector<std::string>& arguments : argument_lists) {
    SCOPED_TRACE(testing::Message() << arguments.size() << " arguments");
    project_.set_entry_point_arguments(arguments);
    flutter::FlutterEngine engine(project_);
    const StandinEngineCreation* creation = StandinEngineGetCreation(StandinEngineLastCreated());
    ASSERT_NE(creation, nullptr);
    EXPECT_STREQ(creation->assets_path, L"data\\flutter_assets");
    EXPECT_STREQ(creation->icu_data_path, L"data\\icudtl.dat");
    EXPECT_STREQ(creation->aot_library_path, L"data\\app.so");
    EXPECT_FALSE(creation->dart_entrypoint_was_null);
    EXPECT_STREQ(creation->dart_entrypoint, "");
    EXPECT_EQ(creation->option_word_1, 0);
    EXPECT_EQ(creation->option_word_2, 0);
    ASSERT_EQ(creation->dart_entrypoint_argc, static_cast<int>(arguments.size()));
    EXPECT_EQ(creation->dart_entrypoint_argv_was_null, arguments.empty());
    for (size_t i = 0; i < arguments.size(); ++i) {
      EXPECT_EQ(creation->dart_entrypoint_argv[i], arguments[i]);
    }
  }
  EXPECT_EQ(StandinEngineGetCounters().engine_destroy_calls, 2);
}

TEST_F(EngineTest, NextFrameCallableRunsOncePerRegistration) {
  flutter::FlutterViewController controller(640, 480, project_);
  flutter::FlutterEngine* engine = controller.GetEngine();
  FlutterDesktopEngineRef handle = StandinEngineLastCreated();
  int runs = 0;
  engine->SetNextFrameCallback([&runs]() { ++runs; });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(StandinEngineFireNextFrame(handle));
  // A callable that registers the next one: the new one is kept, not cleared after the first.
  engine->SetNextFrameCallback([&runs, engine]() {
    runs += 10;
    engine->SetNextFrameCallback([&runs]() { runs += 100; });
  });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 111);
}

TEST_F(EngineTest, WindowShowsItselfOnTheNextFrameAfterCreation) {
  FlutterWindow window(project_);
  ASSERT_TRUE(Create(window));
  FlutterDesktopEngineRef engine = StandinEngineLastCreated();
  EXPECT_FALSE(IsWindowVisible(window.GetWindowHandle()));
  EXPECT_EQ(StandinEngineForceRedrawCalls(engine), 1);
  EXPECT_EQ(NewPluginRegistrations(), 1);
  EXPECT_EQ(QuenbrelTestWebViewPluginLastRegistrar(),
            FlutterDesktopEngineGetPluginRegistrar(engine, "FlutterInappwebviewWindowsPluginCApi"));

  ASSERT_TRUE(StandinEngineFireNextFrame(engine));
  EXPECT_TRUE(IsWindowVisible(window.GetWindowHandle()));
  EXPECT_FALSE(IsIconic(window.GetWindowHandle()));
  EXPECT_FALSE(StandinEngineFireNextFrame(engine));

  SendMessageW(window.GetWindowHandle(), WM_FONTCHANGE, 0, 0);
  EXPECT_EQ(StandinEngineReloadSystemFontsCalls(engine), 1);

  // Closed by the user: the view controller ends, and the engine with it, by the library.
  window.SetQuitOnDestroy(true);
  DestroyWindow(window.GetWindowHandle());
  EXPECT_EQ(window.GetWindowHandle(), nullptr);
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.view_controller_destroy_calls, 1);
  EXPECT_EQ(counters.engine_destroy_calls, 0);
  MSG message;
  EXPECT_NE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE), 0);
}

// Reported once, and nothing else is made; the refused engine is the library's to end.
TEST_F(EngineTest, RefusedViewControllerFailsWindowCreation) {
  StandinEngineSetRefuseViewControllers(true);
  testing::internal::CaptureStderr();
  {
    FlutterWindow window(project_);
    EXPECT_FALSE(Create(window));
    EXPECT_FALSE(IsWindowVisible(window.GetWindowHandle()));
    EXPECT_EQ(NewPluginRegistrations(), 0);
    EXPECT_EQ(StandinEngineForceRedrawCalls(StandinEngineLastCreated()), 0);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to create view controller.\n");
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.view_controller_destroy_calls, 0);
  EXPECT_EQ(counters.engine_destroy_calls, 0);
}

}  // namespace
