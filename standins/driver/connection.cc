#include "standins/driver/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace driver {

std::unique_ptr<Connection> Connection::Listen(uint16_t port, std::string* error) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int reuse = 1;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) != 0 ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    *error = std::strerror(errno);
    if (listener >= 0) close(listener);
    return nullptr;
  }
  return std::unique_ptr<Connection>(new Connection(listener, ntohs(address.sin_port)));
}

Connection::~Connection() {
  if (peer_ >= 0) close(peer_);
  close(listener_);
}

bool Connection::OnReadable() {
  if (peer_ < 0) {
    peer_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer_ >= 0) {
      const int no_delay = 1;
      setsockopt(peer_, IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof(no_delay));
    }
    return true;
  }
  uint8_t buffer[16384];
  const ssize_t n = read(peer_, buffer, sizeof(buffer));
  if (n <= 0) return false;
  reader_.Feed(buffer, static_cast<size_t>(n));
  driver_link::Frame frame;
  while (reader_.Next(&frame)) received_.push_back(std::move(frame));
  return !reader_.broken();
}

bool Connection::Send(char type, const std::vector<uint8_t>& body) {
  if (peer_ < 0) return false;
  const std::vector<uint8_t> frame = driver_link::EncodeFrame(type, body);
  size_t sent = 0;
  while (sent < frame.size()) {
    const ssize_t n = send(peer_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace driver
