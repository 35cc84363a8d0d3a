// The stand-in engine's end of the driver connection: a TCP socket to 127.0.0.1, a reader thread
// that cuts incoming bytes into frames and wakes a window, and serialized writes.
// Owner: the view it serves. Send and SendEvent: any thread. TakeReceived: the woken window's
// thread. The destructor (any thread but the reader's) stops and joins the reader, then closes the
// socket.
// Never throws; a failed write or a broken stream is logged once and ends the connection.
#ifndef QUENBREL_STANDINS_ENGINE_DRIVER_CONNECTION_WIN32_H_
#define QUENBREL_STANDINS_ENGINE_DRIVER_CONNECTION_WIN32_H_

#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standins/driver_link/driver_frames.h"

namespace standin {

class DriverConnection {
 public:
  // Connects to the driver on 127.0.0.1:|port|; posts |wake_message| to |wake_window| whenever
  // frames arrive. Null, with one line on standard error, when no driver listens there.
  static std::unique_ptr<DriverConnection> Connect(uint16_t port, HWND wake_window,
                                                   UINT wake_message);
  ~DriverConnection();

  DriverConnection(const DriverConnection&) = delete;
  DriverConnection& operator=(const DriverConnection&) = delete;

  void Send(char type, const std::vector<uint8_t>& body);
  void SendEvent(const std::string& text);

  // The frames that arrived since the last call, in order.
  std::deque<driver_link::Frame> TakeReceived();

 private:
  DriverConnection(SOCKET socket, HWND wake_window, UINT wake_message);
  void Read();

  SOCKET socket_;
  const HWND wake_window_;
  const UINT wake_message_;
  std::mutex write_mutex_;  // one frame at a time on the socket
  std::atomic<bool> write_failed_{false};
  std::atomic<bool> stopping_{false};  // set by the destructor; the reader then ends
  std::mutex received_mutex_;
  std::deque<driver_link::Frame> received_;
  std::thread reader_;
};

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_DRIVER_CONNECTION_WIN32_H_
