#include "printer/printer_bridge.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "channel/log_line.h"
#include "channel/standard_method_codec.h"
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
  // Nothing may reach the channel layer, and no call may stay unanswered: a call that fails here
  // (no worker thread, no memory for the ticket's copy, ...) is refused and the bridge stays Idle.
  try {
    try {
      Dispatch(call, result);
    } catch (const std::exception& e) {
      flutter::LogLine(std::string("Printer call failed: ") + e.what());
      if (result) result->Error(kPrinterCode, kWorkerStartMessage);
    } catch (...) {
      flutter::LogLine("Printer call failed.");
      if (result) result->Error(kPrinterCode, kWorkerStartMessage);
    }
  } catch (...) {
    flutter::LogLine("Printer call failed and could not be answered.");
  }
}

void PrinterBridge::Dispatch(const flutter::MethodCall& call, std::unique_ptr<Result>& result) {
  DeliverUndelivered();
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

void PrinterBridge::RunOperation(Task task, std::unique_ptr<Result>& result) {
  pending_result = std::move(result);
  state->undelivered.store(false);
  std::shared_ptr<State> worker_state = state;
  std::shared_ptr<WindowPoster> poster = platform.poster;
  PostRetry retry = platform.post_retry;
  try {
    platform.threads->StartDetached([worker_state = std::move(worker_state), task = std::move(task),
                                     poster = std::move(poster),
                                     retry] { RunWorker(worker_state, task, *poster, retry); });
  } catch (...) {
    result = std::move(pending_result);  // without a worker nobody would answer: not pending
    throw;
  }
}

void PrinterBridge::RunWorker(const std::shared_ptr<State>& state, const Task& task,
                              WindowPoster& poster, PostRetry retry) {
  try {
    EncodableValue value = task();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->value = std::move(value);
    state->error.clear();
    state->failed = false;
  } catch (const std::exception& e) {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->error = e.what();
    state->failed = true;
  }
  // The outcome is stored before the post, so whoever handles the message finds it.
  std::chrono::milliseconds delay = retry.first_delay;
  for (int attempt = 1; state->active.load(); ++attempt) {
    if (poster.Post(state->window, kPrinterResultMessage)) {
      return;
    }
    if (attempt >= retry.attempts) {
      state->undelivered.store(true);
      return;
    }
    std::this_thread::sleep_for(delay);
    delay = std::min(delay * 2, retry.max_delay);
  }
}

bool PrinterBridge::HandleWindowMessage(unsigned int message) {
  // Called from the window procedure: nothing may escape.
  try {
    if (message != kPrinterResultMessage) {
      DeliverUndelivered();
      return false;
    }
    if (pending_result) {
      state->undelivered.store(false);
      AnswerPending();
    }
  } catch (const std::exception& e) {
    flutter::LogLine(std::string("Printer result could not be answered: ") + e.what());
  } catch (...) {
    flutter::LogLine("Printer result could not be answered.");
  }
  return message == kPrinterResultMessage;
}

void PrinterBridge::AnswerPending() {
  // Idle from here on, even if answering fails.
  std::unique_ptr<Result> result = std::move(pending_result);
  std::lock_guard<std::mutex> lock(state->mutex);
  if (!state->failed) {
    result->Success(state->value);
  } else {
    result->Error(kPrinterCode, state->error);
  }
}

void PrinterBridge::DeliverUndelivered() {
  if (pending_result && state->undelivered.exchange(false)) {
    AnswerPending();
  }
}
