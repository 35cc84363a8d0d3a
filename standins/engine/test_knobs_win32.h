// The stand-in engine's test knobs, read from the process environment each time they are asked.
//   QUENBREL_TEST_ENGINE_REFUSE_VIEW=1   view-controller creation returns null
//   QUENBREL_TEST_ENGINE_DPI=N           the DPI reported for every monitor (default 96)
//   QUENBREL_TEST_ENGINE_PORT=P          connect to a driver on 127.0.0.1:P at view creation
//   QUENBREL_TEST_ENGINE_HOLD_FRAMES=F   hold every frame until the file F exists
// Any thread. A malformed value counts as absent.
#ifndef QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_
#define QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_

#include <cstdint>
#include <optional>
#include <string>

namespace standin {

bool KnobRefuseView();
unsigned KnobDpi();
std::optional<uint16_t> KnobDriverPort();
std::wstring KnobHoldFramesFile();  // empty when frames are not held

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_
