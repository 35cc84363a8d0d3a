// The SerialPort on Windows communications handles. Stateless; safe on any thread.
#ifndef QUENBREL_PRINTER_WIN32_SERIAL_PORT_WIN32_H_
#define QUENBREL_PRINTER_WIN32_SERIAL_PORT_WIN32_H_

#include "printer/platform/serial_port.h"

class Win32SerialPort final : public SerialPort {
 public:
  bool Open(const std::u16string& path, SerialHandle* handle) override;
  bool GetCommState(SerialHandle handle, CommState* state) override;
  bool SetCommState(SerialHandle handle, const CommState& state) override;
  bool SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) override;
  bool Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
             std::uint32_t* written) override;
  bool Read(SerialHandle handle, unsigned char* data, std::uint32_t count, std::uint32_t timeout_ms,
            std::uint32_t* read) override;
  void Close(SerialHandle handle) override;
};

#endif  // QUENBREL_PRINTER_WIN32_SERIAL_PORT_WIN32_H_
