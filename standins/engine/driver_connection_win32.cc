#include "standins/engine/driver_connection_win32.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <utility>

namespace standin {

namespace {

constexpr long kReadSliceMicroseconds = 50000;

void Log(const char* line) {
  std::fprintf(stderr, "[stand-in engine] %s\n", line);
  std::fflush(stderr);
}

}  // namespace

std::unique_ptr<DriverConnection> DriverConnection::Connect(uint16_t port, HWND wake_window,
                                                            UINT wake_message) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    Log("cannot start Winsock; no driver connection");
    return nullptr;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s == INVALID_SOCKET ||
      connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    Log("no driver listens on the given port; no driver connection");
    if (s != INVALID_SOCKET) closesocket(s);
    WSACleanup();
    return nullptr;
  }
  const BOOL no_delay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
             sizeof(no_delay));
  std::unique_ptr<DriverConnection> connection(new DriverConnection(s, wake_window, wake_message));
  connection->reader_ = std::thread(&DriverConnection::Read, connection.get());
  return connection;
}

DriverConnection::DriverConnection(SOCKET socket, HWND wake_window, UINT wake_message)
    : socket_(socket), wake_window_(wake_window), wake_message_(wake_message) {}

DriverConnection::~DriverConnection() {
  stopping_ = true;
  if (reader_.joinable()) reader_.join();
  shutdown(socket_, SD_BOTH);
  closesocket(socket_);
  WSACleanup();
}

void DriverConnection::Send(char type, const std::vector<uint8_t>& body) {
  const std::vector<uint8_t> frame = driver_link::EncodeFrame(type, body);
  std::lock_guard<std::mutex> lock(write_mutex_);
  if (write_failed_) return;
  size_t sent = 0;
  while (sent < frame.size()) {
    const int n = send(socket_, reinterpret_cast<const char*>(frame.data() + sent),
                       static_cast<int>(frame.size() - sent), 0);
    if (n <= 0) {
      write_failed_ = true;
      Log("the driver connection refused a write; no more frames are sent");
      return;
    }
    sent += static_cast<size_t>(n);
  }
}

void DriverConnection::SendEvent(const std::string& text) {
  Send(driver_link::kEventFrame, std::vector<uint8_t>(text.begin(), text.end()));
}

std::deque<driver_link::Frame> DriverConnection::TakeReceived() {
  std::lock_guard<std::mutex> lock(received_mutex_);
  return std::exchange(received_, {});
}

void DriverConnection::Read() {
  driver_link::FrameReader reader;
  char buffer[16384];
  while (!stopping_) {
    // A blocked recv is not reliably woken by another thread's shutdown (not under Wine), so wait
    // in short slices and look at the stop flag between them.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval slice = {0, kReadSliceMicroseconds};
    const int ready = select(0, &readable, nullptr, nullptr, &slice);
    if (ready == 0) continue;
    if (ready < 0) return;
    const int n = recv(socket_, buffer, sizeof(buffer), 0);
    if (n <= 0) return;  // closed by the driver
    reader.Feed(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(n));
    bool woken = false;
    driver_link::Frame frame;
    while (reader.Next(&frame)) {
      std::lock_guard<std::mutex> lock(received_mutex_);
      received_.push_back(std::move(frame));
      woken = true;
    }
    if (woken) PostMessageW(wake_window_, wake_message_, 0, 0);
    if (reader.broken()) {
      Log("the driver sent a frame with an impossible size; the connection ends");
      return;
    }
  }
}

}  // namespace standin
