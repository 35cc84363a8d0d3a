// Windows serial communications, as the printer bridge uses them: open a port exclusively, read and
// set its line state and time-outs, write, close; and, for the support tool's status requests, read
// with a time-out. Implemented by Win32SerialPort (printer/win32/serial_port_win32.h) and by fakes
// in tests.
#ifndef QUENBREL_PRINTER_PLATFORM_SERIAL_PORT_H_
#define QUENBREL_PRINTER_PLATFORM_SERIAL_PORT_H_

#include <cstdint>
#include <string>

// An open port; meaningful only to the SerialPort that opened it.
enum class SerialHandle : std::uintptr_t {};

// The Windows DCB, field for field (the flag bit-fields as whole numbers). Every field is carried
// both ways, so whatever the caller does not change goes back to the port as it was read.
struct CommState {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint32_t fBinary = 0;
  std::uint32_t fParity = 0;
  std::uint32_t fOutxCtsFlow = 0;
  std::uint32_t fOutxDsrFlow = 0;
  std::uint32_t fDtrControl = 0;
  std::uint32_t fDsrSensitivity = 0;
  std::uint32_t fTXContinueOnXoff = 0;
  std::uint32_t fOutX = 0;
  std::uint32_t fInX = 0;
  std::uint32_t fErrorChar = 0;
  std::uint32_t fNull = 0;
  std::uint32_t fRtsControl = 0;
  std::uint32_t fAbortOnError = 0;
  std::uint32_t fDummy2 = 0;
  std::uint16_t wReserved = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  std::uint16_t wReserved1 = 0;
};

// The size of the Windows DCB record, its DCBlength.
inline constexpr std::uint32_t kCommStateLength = 28;

// The Windows COMMTIMEOUTS, in milliseconds.
struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0 (exclusive), null, OPEN_EXISTING, 0, null).
  // True and *handle set on success; false when the call answers INVALID_HANDLE_VALUE.
  virtual bool Open(const std::u16string& path, SerialHandle* handle) = 0;
  // GetCommState: fills *state (whose DCBlength the caller has set). True on success.
  virtual bool GetCommState(SerialHandle handle, CommState* state) = 0;
  // SetCommState. True on success.
  virtual bool SetCommState(SerialHandle handle, const CommState& state) = 0;
  // SetCommTimeouts. True on success.
  virtual bool SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) = 0;
  // Synchronous WriteFile of `count` bytes. True on success, *written = the bytes taken.
  virtual bool Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
                     std::uint32_t* written) = 0;
  // Reads at most `count` bytes, waiting at most `timeout_ms` (> 0) for them; the write time-out
  // stays as it was set. True on success, *read = the bytes read (0 when none came in time).
  virtual bool Read(SerialHandle handle, unsigned char* data, std::uint32_t count,
                    std::uint32_t timeout_ms, std::uint32_t* read) = 0;
  // CloseHandle; the handle is invalid afterwards.
  virtual void Close(SerialHandle handle) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_SERIAL_PORT_H_
