// View controllers of the stand-in engine library: each takes its engine over and ends it.
#include <utility>

#include "standins/engine/standin_engine.h"

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  if (!engine) return nullptr;
  std::unique_ptr<FlutterDesktopEngine> owned(engine);
  standin::Globals& globals = standin::GetGlobals();
  {
    std::lock_guard<std::mutex> lock(globals.mutex);
    if (globals.refuse_view_controllers) {
      globals.refused_engines.push_back(std::move(owned));
      return nullptr;
    }
    ++globals.counters.view_controllers_created;
  }
  auto controller = std::make_unique<FlutterDesktopViewController>();
  controller->engine = std::move(owned);
  controller->view = std::make_unique<FlutterDesktopView>();
  controller->width = width;
  controller->height = height;
  return controller.release();  // owned by the caller until FlutterDesktopViewControllerDestroy
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  {
    standin::Globals& globals = standin::GetGlobals();
    std::lock_guard<std::mutex> lock(globals.mutex);
    ++globals.counters.view_controller_destroy_calls;
  }
  if (!controller) return;
  std::unique_ptr<FlutterDesktopViewController> owned(controller);
  owned->view.reset();
  standin::Destroy(std::move(owned->engine));
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  return controller ? controller->view.get() : nullptr;
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  if (!controller) return;
  std::lock_guard<std::mutex> lock(controller->engine->state_mutex);
  ++controller->engine->force_redraw_calls;
}
