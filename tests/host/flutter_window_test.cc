// The window hosting the engine's view, against the stand-in engine and web-view plug-in.
#include "host/flutter_window.h"

#include <gtest/gtest.h>

#include "standins/engine/standin_engine_test_api.h"
#include "standins/webview_plugin/webview_plugin_test_api.h"

namespace {

class FlutterWindowTest : public testing::Test {
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

  flutter::EngineProject project_{L"data"};
  int plugin_registrations_ = 0;
};

TEST_F(FlutterWindowTest, ShowsItselfOnTheNextFrameAfterCreation) {
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
}

TEST_F(FlutterWindowTest, RefusedViewControllerFailsCreationBeforeAnythingElse) {
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
}

TEST_F(FlutterWindowTest, FontChangeReloadsTheSystemFonts) {
  FlutterWindow window(project_);
  ASSERT_TRUE(Create(window));
  SendMessageW(window.GetWindowHandle(), WM_FONTCHANGE, 0, 0);
  EXPECT_EQ(StandinEngineReloadSystemFontsCalls(StandinEngineLastCreated()), 1);
}

TEST_F(FlutterWindowTest, ClosingEndsTheViewControllerAndQuits) {
  FlutterWindow window(project_);
  ASSERT_TRUE(Create(window));
  window.SetQuitOnDestroy(true);
  DestroyWindow(window.GetWindowHandle());
  EXPECT_EQ(window.GetWindowHandle(), nullptr);
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.view_controller_destroy_calls, 1);
  EXPECT_EQ(counters.engine_destroy_calls, 0);
  MSG message;
  EXPECT_NE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE), 0);
}

}  // namespace
