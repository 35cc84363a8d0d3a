#include "printer/printer_bridge.h"

#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "channel/log_line.h"
#include "channel/standard_method_codec.h"
#include "printer/live_worker.h"
#include "printer/printer_messages.h"
#include "printer/printer_tasks.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr char kChannelName[] = "quenbrel/printer";

constexpr char kBusyCode[] = "busy";
constexpr char kSettingsCode[] = "settings";
constexpr char kArgumentsCode[] = "arguments";
constexpr char kPrinterCode[] = "printer";

// Answers |result|, which an answer failed to reach, with the error "printer" and |message|; if
// even that cannot be encoded, with the empty reply, which needs no memory.
void FallBack(flutter::MethodResult& result, const char* message) noexcept {
  try {
    result.Error(kPrinterCode, message);
  } catch (...) {
    result.NotImplemented();
  }
}

// Logs that a call was refused, with the reason that the exception being handled gives, if any:
// one line, put together on the stack, as memory may be what ran out.
void LogRefusal() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    static constexpr char kPrefix[] = "Printer call failed; refused: ";
    char line[256];
    size_t size = sizeof(kPrefix) - 1;
    std::memcpy(line, kPrefix, size);
    for (const char* c = e.what(); *c != '\0' && size + 1 < sizeof(line); ++c) {
      line[size++] =
          static_cast<unsigned char>(*c) < 0x20 ? ' ' : *c;  // one line, whatever it holds
    }
    line[size] = '\0';
    flutter::LogLine(line);
  } catch (...) {
    flutter::LogLine("Printer call failed; refused.");
  }
}

// The value stored under the string key |key|, or null when the map has none.
const EncodableValue* FindByStringKey(const EncodableMap& map, const char* key) {
  auto it = map.find(EncodableValue(std::string(key)));
  return it == map.end() ? nullptr : &it->second;
}

}  // namespace

PrinterBridge::PrinterBridge(flutter::BinaryMessenger* messenger, WindowHandle window,
                             BridgePlatform platform)
    : state(std::make_shared<State>(window)),
      channel(std::make_unique<flutter::MethodChannel>(
          messenger, kChannelName, &flutter::StandardMethodCodec::GetInstance())),
      platform(std::move(platform)) {
  channel->SetMethodCallHandler(
      [this](const flutter::MethodCall& call, std::unique_ptr<Result> result) {
        HandleMethodCall(call, std::move(result));
      });
}

PrinterBridge::~PrinterBridge() {
  state->active.store(false);
  channel->SetMethodCallHandler(nullptr);
  pending_result.reset();
  channel.reset();
  state.reset();
}

void PrinterBridge::HandleMethodCall(const flutter::MethodCall& call,
                                     std::unique_ptr<Result> result) {
  if (pending_result && state->undelivered.load()) AnswerPending();
  try {
    Dispatch(call, result);
  } catch (...) {
    // No worker thread, no memory for the ticket's copy or for the answer, ...: the call is
    // refused and the bridge stays as it was. Nothing may reach the channel layer.
    LogRefusal();
    if (result) FallBack(*result, kWorkerStartMessage);
  }
}

void PrinterBridge::Dispatch(const flutter::MethodCall& call, std::unique_ptr<Result>& result) {
  if (pending_result) {
    result->Error(kBusyCode, kBusyMessage);
    return;
  }
  const std::string& method = call.method_name();
  if (method == "settings") {
    OpenSettings(*result);
  } else if (method == "list") {
    std::shared_ptr<PrinterServices> devices = platform.devices;
    RunOperation([devices] { return BuildDeviceList(*devices); }, result);
  } else if (method == "print") {
    const EncodableValue* arguments = call.arguments();
    const EncodableMap* map = arguments ? std::get_if<EncodableMap>(arguments) : nullptr;
    if (map == nullptr) {
      result->Error(kArgumentsCode, kTicketInvalidMessage);
      return;
    }
    const EncodableValue* device_value = FindByStringKey(*map, "device");
    const EncodableValue* bytes_value = FindByStringKey(*map, "bytes");
    const std::string* device = device_value ? std::get_if<std::string>(device_value) : nullptr;
    const std::vector<uint8_t>* bytes =
        bytes_value ? std::get_if<std::vector<uint8_t>>(bytes_value) : nullptr;
    if (device == nullptr || bytes == nullptr || bytes->empty() ||
        bytes->size() > kMaxTicketBytes) {
      result->Error(kArgumentsCode, kTicketDataInvalidMessage);
      return;
    }
    std::shared_ptr<PrinterServices> devices = platform.devices;
    RunOperation([devices, id = *device, data = *bytes] { return PrintTicket(*devices, id, data); },
                 result);
  } else {
    result->NotImplemented();
  }
}

void PrinterBridge::OpenSettings(Result& result) {
  std::intptr_t code = platform.shell->Execute(state->window, L"open", L"ms-settings:bluetooth");
  if (code > 32) {
    result.Success();
  } else {
    result.Error(kSettingsCode, kSettingsMessage);
  }
}

// Counted from its start: its first member goes last, after the task with its copies and maybe
// the last of the bridge's state.
struct PrinterBridge::Worker {
  LiveWorker live;
  std::shared_ptr<State> state;
  Task task;
  std::shared_ptr<WindowPoster> poster;

  void operator()() const { RunWorker(*state, task, *poster); }
};

void PrinterBridge::RunOperation(Task task, std::unique_ptr<Result>& result) {
  pending_result = std::move(result);  // busy before a worker exists that could complete it
  try {
    platform.threads->StartDetached(Worker{LiveWorker(), state, std::move(task), platform.poster});
  } catch (...) {
    result = std::move(pending_result);  // no worker: Idle again, the call the caller's to answer
    throw;
  }
}

void PrinterBridge::RunWorker(State& state, const Task& task, WindowPoster& poster) {
  try {
    EncodableValue value = task();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.value = std::move(value);
    state.error.clear();
    state.failed = state.lost = false;
  } catch (const std::exception& e) {
    StoreFailure(state, e.what());
  } catch (...) {
    StoreFailure(state, nullptr);
  }
  // The outcome is stored before the post, so whoever handles the message finds it.
  if (state.active.load() && !poster.Post(state.window, kPrinterResultMessage)) {
    state.undelivered.store(true);
  }
}

void PrinterBridge::StoreFailure(State& state, const char* message) noexcept {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.failed = true;
  state.lost = message == nullptr;
  try {
    if (message) state.error = message;
  } catch (...) {
    state.lost = true;
  }
}

bool PrinterBridge::HandleWindowMessage(unsigned int message) {
  const bool ours = message == kPrinterResultMessage;
  if (pending_result && (ours || state->undelivered.load())) AnswerPending();
  return ours;
}

void PrinterBridge::AnswerPending() {
  std::unique_ptr<Result> result = std::move(pending_result);  // Idle from here on
  state->undelivered.store(false);
  try {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->lost) {
      FallBack(*result, kOutcomeLostMessage);
    } else if (!state->failed) {
      result->Success(state->value);
    } else {
      result->Error(kPrinterCode, state->error);
    }
  } catch (...) {
    flutter::LogLine("Printer outcome could not be answered; answered as lost.");
    FallBack(*result, kOutcomeLostMessage);
  }
}
