// The stand-in engine's test knobs, read from the process environment each time they are asked.
//   QUENBREL_TEST_ENGINE_REFUSE_VIEW=1      view-controller creation returns null
//   QUENBREL_TEST_ENGINE_DPI=N[,N...]       the DPI of each monitor, counted from the left (the
//                                           last one given holds for the rest; default 96)
//   QUENBREL_TEST_ENGINE_PORT=P             connect to a driver on 127.0.0.1:P at view creation
//   QUENBREL_TEST_ENGINE_HOLD_FRAMES=F      hold every frame until the file F exists
//   QUENBREL_TEST_ENGINE_EARLY_FRAME=1      the first frame comes while the view controller is
//                                           made, before the host can ask to hear of it
//   QUENBREL_TEST_ENGINE_CONSUME=M:R        the engine consumes window message M (decimal or 0x
//                                           hex) and answers R
//   QUENBREL_TEST_ENGINE_FAULT=1            the first frame writes to address 0, on the window's
//                                           thread (FaultIfAsked)
// Any thread. A malformed value counts as absent.
#ifndef QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_
#define QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

bool KnobRefuseView();
std::vector<unsigned> KnobDpis();  // never empty
std::optional<uint16_t> KnobDriverPort();
std::wstring KnobHoldFramesFile();  // empty when frames are not held
bool KnobEarlyFrame();
std::optional<std::pair<unsigned, long long>> KnobConsume();  // message, result
// An access violation on the calling thread, when the knob asks for one; the crash tests look for
// this function's name in the frames the host logs.
void FaultIfAsked();

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_TEST_KNOBS_WIN32_H_
