// The stand-in engine's view on Windows: a child window painted teal with the text "Quenbrel
// stand-in engine", created on the thread that creates the view controller. That thread's message
// queue carries everything the engine does for the host: channel messages from other threads,
// frames (the first soon after start, then each one the host asks for; each runs the registered
// next-frame callback) and the driver connection's frames.
#include <windows.h>
#include <winsock2.h>
// After windows.h, which it needs.
#include <objbase.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "standins/driver_link/driver_frames.h"
#include "standins/engine/driver_connection_win32.h"
#include "standins/engine/standin_view.h"
#include "standins/engine/test_knobs_win32.h"

namespace standin {

namespace {

constexpr wchar_t kViewClass[] = L"QUENBREL_STANDIN_ENGINE_VIEW";
constexpr wchar_t kViewText[] = L"Quenbrel stand-in engine";
constexpr UINT kDeliverMessage = WM_APP + 1;  // channel messages are queued for this thread
constexpr UINT kFrameMessage = WM_APP + 2;    // a frame was requested
constexpr UINT kDriverMessage = WM_APP + 3;   // frames arrived from the driver
constexpr UINT_PTR kHoldTimer = 1;
constexpr UINT kHoldPollMs = 50;
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

void Log(const char* line) {
  std::fprintf(stderr, "[stand-in engine] %s\n", line);
  std::fflush(stderr);
}

// The driver connection and the driver's ids of the messages still awaiting a reply. Shared by
// the view and the engine's response hook, which may run on any thread.
struct DriverSession {
  std::unique_ptr<DriverConnection> connection;
  std::mutex mutex;                        // guards driver_ids
  std::map<int64_t, uint32_t> driver_ids;  // engine message id -> driver's id

  void Remember(int64_t id, uint32_t driver_id) {
    std::lock_guard<std::mutex> lock(mutex);
    driver_ids[id] = driver_id;
  }

  // Sends the reply to message |id| if it came from the driver.
  void Reply(int64_t id, const std::vector<uint8_t>& bytes) {
    uint32_t driver_id = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      auto found = driver_ids.find(id);
      if (found == driver_ids.end()) return;
      driver_id = found->second;
      driver_ids.erase(found);
    }
    connection->Send(driver_link::kReplyFrame, driver_link::EncodeReplyBody(driver_id, bytes));
  }
};

// Owned by its window: freed at WM_NCDESTROY.
struct View {
  FlutterDesktopViewController* controller = nullptr;
  std::shared_ptr<DriverSession> session;
  std::wstring hold_file;
  bool com = false;  // COM was initialised on the view's thread when the view was made
};

// Whether COM is initialised on the calling thread; the probe leaves it as it was.
bool ComInitialised() {
  const HRESULT probe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(probe)) CoUninitialize();
  return probe != S_OK;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT area;
  GetClientRect(window, &area);
  HBRUSH teal = CreateSolidBrush(kTeal);
  FillRect(dc, &area, teal);
  DeleteObject(teal);
  HFONT font =
      CreateFontW(-48, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kWhite);
  DrawTextW(dc, kViewText, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
  DeleteObject(font);
  EndPaint(window, &paint);
}

// Runs the registered next-frame callback once, unless frames are held.
void ProduceFrame(HWND window, View* view) {
  if (!view->hold_file.empty() &&
      GetFileAttributesW(view->hold_file.c_str()) == INVALID_FILE_ATTRIBUTES) {
    SetTimer(window, kHoldTimer, kHoldPollMs, nullptr);
    return;
  }
  FlutterDesktopEngine* engine = view->controller->engine.get();
  FlutterDesktopOnNextFrameCallback callback = nullptr;
  void* user_data = nullptr;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    std::swap(callback, engine->next_frame_callback);
    std::swap(user_data, engine->next_frame_user_data);
  }
  if (!callback) return;
  std::shared_ptr<DriverSession> session = view->session;  // the callback may end the view
  CallHost("next-frame", [&] { callback(user_data); });
  if (session) session->connection->SendEvent("frame");
}

// Hands one driver message to its channel's callback on this thread, as an application message.
void DeliverFromDriver(View* view, const std::shared_ptr<DriverSession>& session,
                       driver_link::ChannelMessage message) {
  FlutterDesktopEngine* engine = view->controller->engine.get();
  bool registered = false;
  QueuedMessage queued{NewMessage(engine, message.channel, &registered), message.channel, {}};
  if (queued.id == 0) return;
  session->Remember(queued.id, message.id);
  if (!registered) {
    session->connection->SendEvent("unhandled " + message.channel);
    session->Reply(queued.id, {});  // the engine's own answer: the empty reply
    return;
  }
  queued.bytes = std::move(message.bytes);
  Deliver(engine, std::move(queued));
}

// The top-level window that the view is attached to (the view itself until then).
HWND Root(HWND window) { return GetAncestor(window, GA_ROOT); }

// Sends the window message a 'W' frame carries to the top-level window; the result as an event.
void SendWindowMessage(HWND window, DriverSession& session, const std::vector<uint8_t>& body) {
  if (body.size() != 12 && body.size() != 28) return Log("a window-message frame of a bad size");
  auto number = [&body](size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(body[at + i]) << (8 * i);
    return value;
  };
  RECT rect = {};
  if (body.size() == 28) {
    rect = {static_cast<LONG>(number(12, 4)), static_cast<LONG>(number(16, 4)),
            static_cast<LONG>(number(20, 4)), static_cast<LONG>(number(24, 4))};
  }
  const auto message = static_cast<UINT>(number(0, 4));
  const auto wparam = static_cast<WPARAM>(number(4, 8));
  // The focus away from the view first, so that where the host puts it on activation shows.
  if (message == WM_ACTIVATE) SetFocus(Root(window));
  // The quit message is posted to the thread, as a plug-in might: it ends the host's loop.
  const LRESULT result =
      message == WM_QUIT ? (PostQuitMessage(static_cast<int>(wparam)), 0)
                         : SendMessageW(Root(window), message, wparam,
                                        body.size() == 28 ? reinterpret_cast<LPARAM>(&rect) : 0);
  session.connection->SendEvent("result " + std::to_string(result));
}

// The top-level window and the view in it (and whether the view has the focus), as a 'G' frame
// asks.
void ReportGeometry(HWND window, DriverSession& session) {
  const HWND root = Root(window);
  RECT outer = {}, client = {}, view = {};
  GetWindowRect(root, &outer);
  GetClientRect(root, &client);
  GetWindowRect(window, &view);
  MapWindowPoints(HWND_DESKTOP, root, reinterpret_cast<POINT*>(&view), 2);
  char line[200];
  std::snprintf(line, sizeof(line), "window %d %ld %ld %ld %ld %lx %ld %ld %ld %ld %ld %ld %d",
                IsWindowVisible(root) ? 1 : 0, outer.left, outer.top, outer.right - outer.left,
                outer.bottom - outer.top,
                static_cast<unsigned long>(GetWindowLongW(root, GWL_STYLE)), client.right,
                client.bottom, view.left, view.top, view.right - view.left, view.bottom - view.top,
                GetFocus() == window ? 1 : 0);
  session.connection->SendEvent(line);
}

void HandleDriverFrames(HWND window, View* view) {
  std::shared_ptr<DriverSession> session = view->session;
  if (!session) return;
  for (driver_link::Frame& frame : session->connection->TakeReceived()) {
    if (frame.type == driver_link::kMessageFrame) {
      driver_link::ChannelMessage message;
      if (driver_link::DecodeMessageBody(frame.body, &message)) {
        DeliverFromDriver(view, session, std::move(message));
      } else {
        Log("a message frame from the driver is too short; ignored");
      }
    } else if (frame.type == driver_link::kQuitFrame) {
      // As the user would: the close request goes to the top-level window.
      HWND root = Root(window);
      if (root != nullptr && root != window) PostMessageW(root, WM_CLOSE, 0, 0);
    } else if (frame.type == driver_link::kWindowMessageFrame) {
      SendWindowMessage(window, *session, frame.body);
    } else if (frame.type == driver_link::kGeometryFrame) {
      ReportGeometry(window, *session);
    } else {
      Log("a frame of unknown type from the driver; ignored");
    }
  }
}

// Stops the engine from waking or answering through the view.
void DetachEngine(FlutterDesktopViewController* controller) {
  FlutterDesktopEngine* engine = controller->engine.get();
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  engine->wake_delivery = nullptr;
  engine->on_response = nullptr;
  engine->on_event = nullptr;
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wparam, lparam);
  }
  auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_TIMER:
      if (wparam == kHoldTimer) {
        KillTimer(window, kHoldTimer);
        ProduceFrame(window, view);
      }
      return 0;
    case kFrameMessage:
      FaultIfAsked();
      ProduceFrame(window, view);
      return 0;
    case kDeliverMessage:
      StandinEnginePumpMessages(view->controller->engine.get());
      return 0;
    case kDriverMessage:
      HandleDriverFrames(window, view);
      return 0;
    case WM_NCDESTROY:
      // Also reached when the host's window takes its child down before the controller ends.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      DetachEngine(view->controller);
      view->controller->view->window = nullptr;
      delete view;
      return DefWindowProcW(window, message, wparam, lparam);
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void RegisterViewClass(HINSTANCE module) {
  WNDCLASSW view_class = {};
  view_class.lpfnWndProc = ViewProc;
  view_class.hInstance = module;
  view_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  view_class.lpszClassName = kViewClass;
  RegisterClassW(&view_class);  // fails harmlessly when an earlier view registered it
}

}  // namespace

bool EnvironmentRefusesViews() { return KnobRefuseView(); }

void OpenView(FlutterDesktopViewController* controller) {
  const HINSTANCE module = ThisModule();
  RegisterViewClass(module);
  auto owned = std::make_unique<View>();
  owned->controller = controller;
  owned->hold_file = KnobHoldFramesFile();
  owned->com = ComInitialised();
  // A child of the message-only parent until the host attaches it: never visible on its own.
  HWND window = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                controller->width, controller->height, HWND_MESSAGE, nullptr,
                                module, owned.get());
  if (window == nullptr) {
    Log("cannot create the view window");
    return;
  }
  View* view = owned.release();  // the window owns it now
  controller->view->window = window;
  FlutterDesktopEngine* engine = controller->engine.get();
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    engine->wake_delivery = [window]() { PostMessageW(window, kDeliverMessage, 0, 0); };
  }
  // The engine's first frame comes on its own, soon after it starts; with the knob it has come and
  // gone before the host could ask to hear of it, so only a requested frame shows the host.
  if (!KnobEarlyFrame()) PostMessageW(window, kFrameMessage, 0, 0);
  const std::optional<uint16_t> port = KnobDriverPort();
  if (!port) return;
  std::unique_ptr<DriverConnection> connection =
      DriverConnection::Connect(*port, window, kDriverMessage);
  if (!connection) return;
  auto session = std::make_shared<DriverSession>();
  session->connection = std::move(connection);
  view->session = session;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    engine->on_response = [session](int64_t id, const std::vector<uint8_t>& bytes) {
      session->Reply(id, bytes);
    };
    engine->on_event = [session](const std::string& text) { session->connection->SendEvent(text); };
  }
  session->connection->SendEvent("ready");
  const CreationView& project = engine->creation.view;
  auto utf8 = [](const wchar_t* text) {
    std::string out;
    for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
  };
  session->connection->SendEvent(
      "project " + utf8(project.assets_path) + "|" + utf8(project.icu_data_path) + "|" +
      utf8(project.aot_library_path) + "|" +
      (project.dart_entrypoint_was_null ? "null" : project.dart_entrypoint) + "|" +
      (project.dart_entrypoint_argv_was_null ? "null"
                                             : std::to_string(project.dart_entrypoint_argc)) +
      "|" + std::to_string(project.option_word_1) + "," + std::to_string(project.option_word_2));
  session->connection->SendEvent("arguments " +
                                 driver_link::JsonStringArray(engine->creation.arguments));
  session->connection->SendEvent("view " + std::to_string(controller->width) + " " +
                                 std::to_string(controller->height));
}

void CloseView(FlutterDesktopViewController* controller) {
  HWND window = static_cast<HWND>(controller->view->window);
  if (window == nullptr) return;
  // The engine uses COM on its thread until it ends.
  const auto* view = reinterpret_cast<const View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view != nullptr && view->com && !ComInitialised()) {
    Breach("the view controller destroyed after COM was uninitialised on its thread");
  }
  DestroyWindow(window);  // frees the view and, with it, the driver connection
}

void RequestFrame(FlutterDesktopViewController* controller) {
  HWND window = static_cast<HWND>(controller->view->window);
  if (window != nullptr) PostMessageW(window, kFrameMessage, 0, 0);
}

}  // namespace standin
