// The owning wrapper around the engine library's view controller: takes an engine over, starts it
// and owns the view that shows it. Owner: the host window, alone. Thread: the window's thread.
// Never throws when the library refuses the view controller: it writes one line to standard error
// and GetView gives null. Everything that uses the engine's messenger must end before it does.
#ifndef QUENBREL_HOST_FLUTTER_VIEW_CONTROLLER_H_
#define QUENBREL_HOST_FLUTTER_VIEW_CONTROLLER_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "host/engine_project.h"
#include "host/flutter_engine.h"
#include "host/flutter_view.h"
#include "outside/flutter_windows.h"

namespace flutter {

class FlutterViewController {
 public:
  // Creates the engine from |project| and a view of |width| x |height| physical pixels on it.
  FlutterViewController(int32_t width, int32_t height, const EngineProject& project);
  // Ends the view controller (with its view and engine), then the view and engine wrappers.
  virtual ~FlutterViewController();

  FlutterViewController(const FlutterViewController&) = delete;
  FlutterViewController& operator=(const FlutterViewController&) = delete;

  // Never null.
  FlutterEngine* GetEngine() const { return engine_.get(); }
  // Null when the library refused the view controller.
  FlutterView* GetView() const { return view_.get(); }

  // Schedules a frame.
  void ForceRedraw();

  // Offers a top-level window message to the engine; its result when the engine consumed it.
  std::optional<LRESULT> HandleTopLevelWindowProc(HWND window, UINT message, WPARAM wparam,
                                                  LPARAM lparam);

 private:
  FlutterDesktopViewControllerRef controller_handle_ = nullptr;
  std::shared_ptr<FlutterEngine> engine_;
  std::unique_ptr<FlutterView> view_;
};

}  // namespace flutter

#endif  // QUENBREL_HOST_FLUTTER_VIEW_CONTROLLER_H_
