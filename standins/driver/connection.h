// The driver's end of the driver connection: a listening socket on 127.0.0.1 and the one host
// that connects to it, with whole frames in and out (the format is in driver_frames.h).
// Owner: the driver's main loop. One thread. Never throws; failures close the connection.
#ifndef QUENBREL_STANDINS_DRIVER_CONNECTION_H_
#define QUENBREL_STANDINS_DRIVER_CONNECTION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "standins/driver_link/driver_frames.h"

namespace driver {

class Connection {
 public:
  // Listens on 127.0.0.1:|port| (0: a free port). Null, with the reason in |error|, on failure.
  static std::unique_ptr<Connection> Listen(uint16_t port, std::string* error);
  ~Connection();

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  uint16_t port() const { return port_; }
  bool connected() const { return peer_ >= 0; }
  // The descriptor to wait on: the listening socket until a host connects, then the host's.
  int descriptor() const { return connected() ? peer_ : listener_; }

  // Call when descriptor() is readable. Accepts the host, or reads what it sent; false once the
  // host has gone (or sent an impossible frame).
  bool OnReadable();
  // Frames received, in order; the caller takes them.
  std::vector<driver_link::Frame>& received() { return received_; }

  // False when the host is not connected or the write fails.
  bool Send(char type, const std::vector<uint8_t>& body);

 private:
  Connection(int listener, uint16_t port) : listener_(listener), port_(port) {}

  int listener_;
  int peer_ = -1;
  uint16_t port_;
  driver_link::FrameReader reader_;
  std::vector<driver_link::Frame> received_;
};

}  // namespace driver

#endif  // QUENBREL_STANDINS_DRIVER_CONNECTION_H_
