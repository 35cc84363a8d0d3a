// What tests can do with the stand-in engine library beyond the engine library's own functions:
// play the application's side of the channels, read what the host passed in, and end an engine.
// Breaches of the engine library's contract need no call here: the library reports each on
// standard error and ends the process (see standin_engine.h).
// Exported from the same library (flutter_windows.dll on Windows). Plain C, so nothing allocated on
// one side of the library boundary is freed on the other: every pointer handed out stays owned by
// the library and valid until the engine it came from is destroyed.
// Any thread may call these functions unless a comment says otherwise.
#ifndef QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_TEST_API_H_
#define QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_TEST_API_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "outside/flutter_windows.h"

#ifdef __cplusplus
extern "C" {
#endif

// The engine most recently created (it may have ended since), or null.
FLUTTER_EXPORT FlutterDesktopEngineRef StandinEngineLastCreated(void);

// The plug-in name a live registrar was asked for with; null when |registrar| is not one.
FLUTTER_EXPORT const char* StandinEngineRegistrarPluginName(
    FlutterDesktopPluginRegistrarRef registrar);

// Sends |message| on |channel| as the application would. It reaches the channel's callback on the
// engine's thread (the one that created it): at once when called there, otherwise when that thread
// calls StandinEnginePumpMessages. A channel without registration is answered with the empty reply
// by the engine itself. Returns the message's id for StandinEngineGetReply, or 0 when the engine
// has ended.
FLUTTER_EXPORT int64_t StandinEngineInjectMessage(FlutterDesktopEngineRef engine,
                                                  const char* channel, const uint8_t* message,
                                                  size_t message_size);

// On the engine's thread, delivers the queued messages. Returns how many were delivered.
FLUTTER_EXPORT int StandinEnginePumpMessages(FlutterDesktopEngineRef engine);

// The reply the application received for message |id|: -1 while there is none, otherwise its size
// (0 for the empty reply); copies up to |capacity| bytes into |buffer| (which may be null).
FLUTTER_EXPORT int64_t StandinEngineGetReply(FlutterDesktopEngineRef engine, int64_t id,
                                             uint8_t* buffer, size_t capacity);

// Whether |channel| has a registered callback; if so, |user_data| (when not null) receives the
// user data it was registered with.
FLUTTER_EXPORT bool StandinEngineGetRegistration(FlutterDesktopEngineRef engine,
                                                 const char* channel, void** user_data);

// The messages the host sent to the application, in order.
FLUTTER_EXPORT size_t StandinEngineSentCount(FlutterDesktopEngineRef engine);
FLUTTER_EXPORT bool StandinEngineGetSent(FlutterDesktopEngineRef engine, size_t index,
                                         const char** channel, const uint8_t** message,
                                         size_t* message_size, bool* wants_reply);

// Answers sent message |index| as the application would, calling the host's reply function on the
// calling thread. False when that message wants no reply or was answered already.
FLUTTER_EXPORT bool StandinEngineAnswerSent(FlutterDesktopEngineRef engine, size_t index,
                                            const uint8_t* reply, size_t reply_size);

// While set, the engine refuses the host's sends (they return false and are not recorded).
FLUTTER_EXPORT void StandinEngineSetRefuseSends(FlutterDesktopEngineRef engine, bool refuse);

// While set, FlutterDesktopMessengerLock gives null and responses may come from any thread, as
// from an engine whose messenger has no lock to offer.
FLUTTER_EXPORT void StandinEngineSetLockless(FlutterDesktopEngineRef engine, bool lockless);

// Runs the registered next-frame callback once, on the calling thread, and forgets it.
// False when none was registered.
FLUTTER_EXPORT bool StandinEngineFireNextFrame(FlutterDesktopEngineRef engine);

// Whether the calling thread runs the host's code inside one of the engine's callbacks (and not the
// engine's own code that the host called from there): where a test may inject the host's failures.
FLUTTER_EXPORT bool StandinEngineInHostCode(void);

// How many references |messenger| has (its engine holds one until it ends).
FLUTTER_EXPORT int StandinEngineMessengerReferences(FlutterDesktopMessengerRef messenger);

// Makes the engine go away as if it had stopped: its messenger reports unavailable from now on,
// registrations and undelivered messages are dropped, and replies the host still awaits are
// answered empty. The handle stays usable for this API and is still ended by its owner.
FLUTTER_EXPORT void StandinEngineShutDown(FlutterDesktopEngineRef engine);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_TEST_API_H_
