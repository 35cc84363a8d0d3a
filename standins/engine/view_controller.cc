// View controllers of the stand-in engine library: each takes its engine over and ends it.
#include <utility>

#include "standins/engine/standin_engine.h"
#include "standins/engine/standin_view.h"

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  standin::CheckAlive(engine, "engine");
  if (engine->taken_over) standin::Breach("an engine given to a second view controller");
  engine->taken_over = true;
  std::unique_ptr<FlutterDesktopEngine> owned(engine);
  if (standin::EnvironmentRefusesViews()) {
    standin::Globals& globals = standin::GetGlobals();
    std::lock_guard<std::mutex> lock(globals.mutex);
    globals.refused_engines.push_back(std::move(owned));
    return nullptr;
  }
  auto controller = std::make_unique<FlutterDesktopViewController>();
  controller->engine = std::move(owned);
  controller->view = std::make_unique<FlutterDesktopView>();
  controller->width = width;
  controller->height = height;
  standin::AddAlive(controller.get(), "view controller");
  standin::AddAlive(controller->view.get(), "view");
  standin::OpenView(controller.get());
  return controller.release();  // owned by the caller until FlutterDesktopViewControllerDestroy
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  standin::CheckAlive(controller, "view controller");
  std::unique_ptr<FlutterDesktopViewController> owned(controller);
  standin::RemoveAlive(owned.get());
  standin::RemoveAlive(owned->view.get());
  standin::CloseView(owned.get());
  owned->view.reset();
  standin::Destroy(std::move(owned->engine));
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  standin::CheckAlive(controller, "view controller");
  return controller->view.get();
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  standin::CheckAlive(controller, "view controller");
  standin::RequestFrame(controller);
}
