// End to end on Windows (run under Wine by printer_bridge_wine_test.sh): the bridge on a real
// hidden window, the real message loop and PostMessageW, real discovery and a real COM port.
// Prints one line per failed check and exits non-zero if any failed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/method_call.h"
#include "channel/standard_method_codec.h"
#include "host/flutter_windows.h"
#include "printer/win32/printer_bridge_win32.h"
#include "standins/engine/standin_engine_test_api.h"

namespace {

using Bytes = std::vector<uint8_t>;
using flutter::EncodableMap;
using flutter::EncodableValue;

PrinterBridge* g_bridge = nullptr;
DWORD g_window_thread = 0;
int g_results_handled = 0;
int g_results_off_thread = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_bridge != nullptr && g_bridge->HandleWindowMessage(message)) {
    ++g_results_handled;
    if (GetCurrentThreadId() != g_window_thread) ++g_results_off_thread;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The ticket the driver expects on the port: 512 bytes counting 0x00 to 0xFF twice.
Bytes Ticket() {
  Bytes bytes(512);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char part[4];
  for (uint8_t byte : bytes) {
    std::snprintf(part, sizeof(part), "%02X ", byte);
    text += part;
  }
  return text;
}

Bytes Reply(FlutterDesktopEngineRef engine, int64_t id) {
  Bytes reply(static_cast<size_t>(StandinEngineGetReply(engine, id, nullptr, 0)));
  StandinEngineGetReply(engine, id, reply.data(), reply.size());
  return reply;
}

// Runs the message loop until call |id| has a reply or 20 s have passed.
bool RunUntilAnswered(FlutterDesktopEngineRef engine, int64_t id) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (StandinEngineGetReply(engine, id, nullptr, 0) < 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

Bytes StringValue(const std::string& text) {
  Bytes bytes{0x07, static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

Bytes ErrorReply(const std::string& code, const std::string& message) {
  Bytes bytes{0x01};
  for (const Bytes& part : {StringValue(code), StringValue(message), Bytes{0x00}}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

bool Contains(const Bytes& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

}  // namespace

int main() {
  int failures = 0;
  auto check = [&failures](bool ok, const std::string& what) {
    if (!ok) {
      std::fprintf(stderr, "FAILED: %s\n", what.c_str());
      ++failures;
    }
  };
  g_window_thread = GetCurrentThreadId();

  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QUENBREL_BRIDGE_TEST";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Quenbrel", WS_OVERLAPPEDWINDOW, 0,
                                0, 100, 100, nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "FAILED: no window (error %lu)\n", GetLastError());
    return 1;
  }

  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = L"data\\flutter_assets";
  properties.icu_data_path = L"data\\icudtl.dat";
  properties.aot_library_path = L"data\\app.so";
  properties.dart_entrypoint = "";
  FlutterDesktopEngineRef engine = FlutterDesktopEngineCreate(&properties);
  auto messenger =
      std::make_unique<flutter::BinaryMessengerImpl>(FlutterDesktopEngineGetMessenger(engine));
  std::unique_ptr<PrinterBridge> bridge = CreateWin32PrinterBridge(messenger.get(), window);
  g_bridge = bridge.get();

  auto call = [&](const std::string& method, std::unique_ptr<EncodableValue> arguments) {
    std::unique_ptr<Bytes> message = flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
        flutter::MethodCall(method, std::move(arguments)));
    return StandinEngineInjectMessage(engine, "quenbrel/printer", message->data(), message->size());
  };
  auto ticket = [](const std::string& device) {
    return std::make_unique<EncodableValue>(
        EncodableMap{{EncodableValue(std::string("device")), EncodableValue(device)},
                     {EncodableValue(std::string("bytes")), EncodableValue(Ticket())}});
  };

  // "settings": the shell has nothing for ms-settings: under Wine, so this is the refusal.
  int64_t settings = call("settings", nullptr);
  check(Reply(engine, settings) ==
            ErrorReply("settings", "Ouvrez les parametres Bluetooth de Windows."),
        "settings reply " + Hex(Reply(engine, settings)));

  int64_t list = call("list", nullptr);
  check(StandinEngineGetReply(engine, list, nullptr, 0) < 0, "list answered before the loop ran");
  check(RunUntilAnswered(engine, list), "list unanswered");
  check(Contains(Reply(engine, list), "serial:COM8"),
        "COM8 not listed: " + Hex(Reply(engine, list)));

  int64_t print = call("print", ticket("serial:COM8"));
  int64_t busy = call("list", nullptr);
  check(Reply(engine, busy) == ErrorReply("busy", "Une operation imprimante est deja en cours."),
        "second call not refused busy");
  check(RunUntilAnswered(engine, print), "print unanswered");
  check(Reply(engine, print) == Bytes({0x00, 0x00}), "print reply " + Hex(Reply(engine, print)));

  int64_t gone = call("print", ticket("serial:COM9999"));
  check(RunUntilAnswered(engine, gone), "print to a missing port unanswered");
  check(Reply(engine, gone) == ErrorReply("printer",
                                          "Cette imprimante n\xE2\x80\x99"
                                          "est plus installee sur cet appareil."),
        "missing port reply " + Hex(Reply(engine, gone)));

  check(g_results_handled == 3, "result messages handled: " + std::to_string(g_results_handled));
  check(g_results_off_thread == 0, "result handled off the window's thread");

  g_bridge = nullptr;
  bridge.reset();
  messenger.reset();
  FlutterDesktopEngineDestroy(engine);
  DestroyWindow(window);
  if (failures == 0) std::printf("printer bridge on a real window and COM8: ok\n");
  return failures == 0 ? 0 : 1;
}
