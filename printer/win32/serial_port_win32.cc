#include "printer/win32/serial_port_win32.h"

#include <windows.h>

#include "printer/win32/wide_string_win32.h"

static_assert(sizeof(DCB) == kCommStateLength, "DCBlength is the size of the Windows DCB");

namespace {

HANDLE ToHandle(SerialHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
}

// The DCB and CommState name their fields alike, so one copy serves both directions; the masks
// keep each flag within its bit-field.
template <typename To, typename From>
To CopyCommFields(const From& s) {
  To d = {};
  d.DCBlength = s.DCBlength;
  d.BaudRate = s.BaudRate;
  d.fBinary = s.fBinary & 1u;
  d.fParity = s.fParity & 1u;
  d.fOutxCtsFlow = s.fOutxCtsFlow & 1u;
  d.fOutxDsrFlow = s.fOutxDsrFlow & 1u;
  d.fDtrControl = s.fDtrControl & 3u;
  d.fDsrSensitivity = s.fDsrSensitivity & 1u;
  d.fTXContinueOnXoff = s.fTXContinueOnXoff & 1u;
  d.fOutX = s.fOutX & 1u;
  d.fInX = s.fInX & 1u;
  d.fErrorChar = s.fErrorChar & 1u;
  d.fNull = s.fNull & 1u;
  d.fRtsControl = s.fRtsControl & 3u;
  d.fAbortOnError = s.fAbortOnError & 1u;
  d.fDummy2 = s.fDummy2 & 0x1FFFFu;
  d.wReserved = s.wReserved;
  d.XonLim = s.XonLim;
  d.XoffLim = s.XoffLim;
  d.ByteSize = s.ByteSize;
  d.Parity = s.Parity;
  d.StopBits = s.StopBits;
  d.XonChar = s.XonChar;
  d.XoffChar = s.XoffChar;
  d.ErrorChar = s.ErrorChar;
  d.EofChar = s.EofChar;
  d.EvtChar = s.EvtChar;
  d.wReserved1 = s.wReserved1;
  return d;
}

DCB ToDcb(const CommState& s) { return CopyCommFields<DCB>(s); }

CommState FromDcb(const DCB& d) { return CopyCommFields<CommState>(d); }

}  // namespace

bool Win32SerialPort::Open(const std::u16string& path, SerialHandle* handle) {
  const std::wstring wide_path = ToWide(path);
  HANDLE port = ::CreateFileW(wide_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  *handle = static_cast<SerialHandle>(reinterpret_cast<std::uintptr_t>(port));
  return true;
}

bool Win32SerialPort::GetCommState(SerialHandle handle, CommState* state) {
  DCB dcb = ToDcb(*state);
  if (!::GetCommState(ToHandle(handle), &dcb)) return false;
  *state = FromDcb(dcb);
  return true;
}

bool Win32SerialPort::SetCommState(SerialHandle handle, const CommState& state) {
  DCB dcb = ToDcb(state);
  return ::SetCommState(ToHandle(handle), &dcb) != FALSE;
}

bool Win32SerialPort::SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) {
  COMMTIMEOUTS t = {timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                    timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                    timeouts.WriteTotalTimeoutConstant};
  return ::SetCommTimeouts(ToHandle(handle), &t) != FALSE;
}

bool Win32SerialPort::Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
                            std::uint32_t* written) {
  DWORD taken = 0;
  const BOOL ok = ::WriteFile(ToHandle(handle), data, count, &taken, nullptr);
  *written = taken;
  return ok != FALSE;
}

bool Win32SerialPort::Read(SerialHandle handle, unsigned char* data, std::uint32_t count,
                           std::uint32_t timeout_ms, std::uint32_t* read) {
  *read = 0;
  // A total read time-out alone: ReadFile returns what came within it, never later.
  COMMTIMEOUTS t = {};
  if (timeout_ms == 0 || !::GetCommTimeouts(ToHandle(handle), &t)) return false;
  t.ReadIntervalTimeout = 0;
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = timeout_ms;
  if (!::SetCommTimeouts(ToHandle(handle), &t)) return false;
  DWORD got = 0;
  const BOOL ok = ::ReadFile(ToHandle(handle), data, count, &got, nullptr);
  *read = got;
  return ok != FALSE;
}

void Win32SerialPort::Close(SerialHandle handle) { ::CloseHandle(ToHandle(handle)); }
