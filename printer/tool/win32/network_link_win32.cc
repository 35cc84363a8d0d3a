#include "printer/tool/win32/network_link_win32.h"

// Winsock's own header first: the others build on it.
#include <winsock2.h>

#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "printer/win32/wide_string_win32.h"

namespace {

using Clock = std::chrono::steady_clock;

// One address of a host, as connect takes it.
struct Address {
  sockaddr_storage storage = {};
  int length = 0;
};

bool StartWinsock() {
  WSADATA data;
  return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

// Winsock for as long as the object lives (the starts are counted: each has its own end).
class Winsock {
 public:
  Winsock() : started_(StartWinsock()) {}
  ~Winsock() {
    if (started_) ::WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  bool started() const { return started_; }

 private:
  const bool started_;
};

// The first IPv4 address of `host` (a printer rarely has another), else its first address;
// `flags` AI_NUMERICHOST asks no name server.
std::optional<Address> Resolve(const std::wstring& host, std::uint16_t port, int flags) {
  ADDRINFOW hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = flags;
  ADDRINFOW* found = nullptr;
  if (::GetAddrInfoW(host.c_str(), std::to_wstring(port).c_str(), &hints, &found) != 0) {
    return std::nullopt;
  }
  const ADDRINFOW* chosen = found;
  for (const ADDRINFOW* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family == AF_INET) {
      chosen = a;
      break;
    }
  }
  std::optional<Address> address;
  if (chosen != nullptr && chosen->ai_addrlen <= sizeof(sockaddr_storage)) {
    address.emplace();
    std::memcpy(&address->storage, chosen->ai_addr, chosen->ai_addrlen);
    address->length = static_cast<int>(chosen->ai_addrlen);
  }
  ::FreeAddrInfoW(found);
  return address;
}

// A name's lookup, shared by the caller and the thread that runs it: the caller may give up on it.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
  std::optional<Address> address;
};

// `host` resolved within `deadline`: at once for an address, on a thread of its own for a name
// (left to finish alone if it takes longer).
std::optional<Address> ResolveBy(const std::wstring& host, std::uint16_t port,
                                 Clock::time_point deadline) {
  if (std::optional<Address> address = Resolve(host, port, AI_NUMERICHOST)) return address;
  const auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host, port] {
    const Winsock winsock;  // its own: the caller may end Winsock before the lookup ends
    std::optional<Address> address = winsock.started() ? Resolve(host, port, 0) : std::nullopt;
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->address = address;
    lookup->done = true;
    lookup->done_changed.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(lookup->mutex);
  if (!lookup->done_changed.wait_until(lock, deadline, [&] { return lookup->done; })) {
    return std::nullopt;
  }
  return lookup->address;
}

// The time left until `deadline`, as select takes it.
timeval Left(Clock::time_point deadline) {
  const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
  timeval t;
  t.tv_sec = static_cast<long>(us / 1000000);
  t.tv_usec = static_cast<long>(us % 1000000);
  return t;
}

// Whether `s` becomes ready to write (`write`) or to read before `deadline`; its error, if any,
// counts as ready.
bool WaitFor(SOCKET s, bool write, Clock::time_point deadline) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  timeval left = Left(deadline);
  return ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &left) > 0;
}

// An open TCP socket, closed with its owner.
class Connection final : public NetworkConnection {
 public:
  explicit Connection(SOCKET s) : socket_(s) {}
  ~Connection() override { ::closesocket(socket_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  LinkAnswer Ask(const std::vector<std::uint8_t>& request, std::uint32_t timeout_ms,
                 std::uint8_t* answer) override {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t sent = 0;
    while (sent < request.size()) {
      const int n = ::send(socket_, reinterpret_cast<const char*>(request.data() + sent),
                           static_cast<int>(request.size() - sent), 0);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        return LinkAnswer::kClosed;
      } else if (!WaitFor(socket_, true, deadline)) {
        return LinkAnswer::kSilence;  // the printer takes nothing in: it does not answer either
      }
    }
    for (;;) {
      if (!WaitFor(socket_, false, deadline)) return LinkAnswer::kSilence;
      const int n = ::recv(socket_, reinterpret_cast<char*>(answer), 1, 0);
      if (n == 1) return LinkAnswer::kByte;
      if (n == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) return LinkAnswer::kClosed;
    }
  }

 private:
  const SOCKET socket_;
};

LinkOpening OpeningOf(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return LinkOpening::kRefused;
    case WSAETIMEDOUT:
      return LinkOpening::kTimedOut;
    default:
      return LinkOpening::kUnreachable;
  }
}

}  // namespace

Win32NetworkLink::Win32NetworkLink() : started_(StartWinsock()) {}

Win32NetworkLink::~Win32NetworkLink() {
  if (started_) ::WSACleanup();
}

LinkOpening Win32NetworkLink::Connect(const std::u16string& host, std::uint16_t port,
                                      std::uint32_t timeout_ms,
                                      std::unique_ptr<NetworkConnection>* connection) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  if (!started_) return LinkOpening::kUnreachable;
  const std::optional<Address> address = ResolveBy(ToWide(host), port, deadline);
  if (!address) return LinkOpening::kUnreachable;
  const SOCKET s = ::socket(address->storage.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return LinkOpening::kUnreachable;
  auto open = std::make_unique<Connection>(s);
  u_long non_blocking = 1;
  if (::ioctlsocket(s, FIONBIO, &non_blocking) != 0) return LinkOpening::kUnreachable;
  // Windows answers a refusal by trying again until its own time-out, which would read as no
  // answer at all: no second try. (Best effort: older systems, and Wine, lack the option.)
  TCP_INITIAL_RTO_PARAMETERS rto = {TCP_INITIAL_RTO_UNSPECIFIED_RTT,
                                    TCP_INITIAL_RTO_NO_SYN_RETRANSMISSIONS};
  DWORD returned = 0;
  ::WSAIoctl(s, SIO_TCP_INITIAL_RTO, &rto, sizeof rto, nullptr, 0, &returned, nullptr, nullptr);
  if (::connect(s, reinterpret_cast<const sockaddr*>(&address->storage), address->length) != 0) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return OpeningOf(error);
    if (!WaitFor(s, true, deadline)) return LinkOpening::kTimedOut;
    int failure = 0, size = sizeof failure;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size) != 0) {
      return LinkOpening::kUnreachable;
    }
    if (failure != 0) return OpeningOf(failure);
  }
  *connection = std::move(open);
  return LinkOpening::kOpen;
}
