// Native builds: view controllers of the stand-in have no window, no frames and no driver link.
#include "standins/engine/standin_view.h"

namespace standin {

bool EnvironmentRefusesViews() { return false; }
void OpenView(FlutterDesktopViewController*) {}
void CloseView(FlutterDesktopViewController*) {}
void RequestFrame(FlutterDesktopViewController*) {}

}  // namespace standin
