// The engine wrappers against the stand-in engine library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/engine_project.h"
#include "host/flutter_engine.h"
#include "host/flutter_view_controller.h"
#include "standins/engine/standin_engine_test_api.h"

namespace {

using flutter::EngineProject;
using flutter::FlutterEngine;
using flutter::FlutterViewController;

class FlutterEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    StandinEngineResetCounters();
    StandinEngineSetRefuseViewControllers(false);
  }
  void TearDown() override { StandinEngineSetRefuseViewControllers(false); }
};

TEST_F(FlutterEngineTest, CreationRecordCarriesTheProject) {
  const std::vector<std::vector<std::string>> argument_lists = {{}, {"alpha", "beta gamma"}};
  for (const std::vector<std::string>& arguments : argument_lists) {
    SCOPED_TRACE(testing::Message() << arguments.size() << " arguments");
    EngineProject project(L"data");
    project.set_entry_point_arguments(arguments);
    FlutterEngine engine(project);
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
}

TEST_F(FlutterEngineTest, OwningEngineWrapperEndsItsEngineOnce) {
  { FlutterEngine engine(EngineProject(L"data")); }
  EXPECT_EQ(StandinEngineGetCounters().engine_destroy_calls, 1);
}

TEST_F(FlutterEngineTest, ViewControllerEndsTheEngineItTookOver) {
  {
    FlutterViewController controller(640, 480, EngineProject(L"data"));
    ASSERT_NE(controller.GetEngine(), nullptr);
    ASSERT_NE(controller.GetView(), nullptr);
    EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, WM_SIZE, 0, 0).has_value());
  }
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.view_controllers_created, 1);
  EXPECT_EQ(counters.view_controller_destroy_calls, 1);
  EXPECT_EQ(counters.engine_destroy_calls, 0);
}

TEST_F(FlutterEngineTest, RefusedViewControllerIsReportedOnce) {
  StandinEngineSetRefuseViewControllers(true);
  testing::internal::CaptureStderr();
  {
    FlutterViewController controller(640, 480, EngineProject(L"data"));
    EXPECT_EQ(controller.GetView(), nullptr);
    EXPECT_NE(controller.GetEngine(), nullptr);
    controller.ForceRedraw();  // harmless without a view controller
    EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, WM_SIZE, 0, 0).has_value());
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to create view controller.\n");
  const StandinEngineCounters counters = StandinEngineGetCounters();
  EXPECT_EQ(counters.view_controller_destroy_calls, 0);
  EXPECT_EQ(counters.engine_destroy_calls, 0);  // the library took it over
}

TEST_F(FlutterEngineTest, NextFrameCallableRunsOncePerRegistration) {
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  FlutterEngine* engine = controller.GetEngine();
  FlutterDesktopEngineRef handle = StandinEngineLastCreated();
  int runs = 0;
  engine->SetNextFrameCallback([&runs]() { ++runs; });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(StandinEngineFireNextFrame(handle));

  engine->SetNextFrameCallback([&runs]() { runs += 10; });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 11);

  // A callable that registers the next one: the new one is kept, not cleared after the first.
  engine->SetNextFrameCallback([&runs, engine]() {
    ++runs;
    engine->SetNextFrameCallback([&runs]() { runs += 100; });
  });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 112);
}

TEST_F(FlutterEngineTest, MessengerIsTheEnginesMessenger) {
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  FlutterEngine* engine = controller.GetEngine();
  FlutterDesktopEngineRef handle = StandinEngineLastCreated();
  engine->GetMessenger()->SetMessageHandler("quenbrel/test",
                                            [](const uint8_t*, size_t, flutter::ReplyCallback) {});
  EXPECT_TRUE(StandinEngineGetRegistration(handle, "quenbrel/test", nullptr));
  engine->GetMessenger()->SetMessageHandler("quenbrel/test", nullptr);
  EXPECT_FALSE(StandinEngineGetRegistration(handle, "quenbrel/test", nullptr));
}

}  // namespace
