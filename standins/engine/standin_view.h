// The platform part of the stand-in engine's view controllers: on Windows a child view window on
// the creating thread, frames, delivery of channel messages on that thread and the driver link;
// nothing natively. Called by view_controller.cc only, on the thread that creates the controller.
#ifndef QUENBREL_STANDINS_ENGINE_STANDIN_VIEW_H_
#define QUENBREL_STANDINS_ENGINE_STANDIN_VIEW_H_

#include "standins/engine/standin_engine.h"

namespace standin {

// Whether the process environment asks for refused view controllers
// (QUENBREL_TEST_ENGINE_REFUSE_VIEW=1).
bool EnvironmentRefusesViews();

// Gives a new controller its view window (and, when the environment names a driver port, its
// driver link). The controller owns its engine already.
void OpenView(FlutterDesktopViewController* controller);

// Ends what OpenView made; called before the controller's engine ends.
void CloseView(FlutterDesktopViewController* controller);

// Schedules a frame: the next-frame callback, if one is registered, runs on the view's thread.
void RequestFrame(FlutterDesktopViewController* controller);

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_STANDIN_VIEW_H_
