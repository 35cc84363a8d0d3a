#include "printer/win32/spooler_win32.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "printer/win32/wide_string_win32.h"

namespace {

HANDLE ToHandle(PrinterHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
}

}  // namespace

bool Win32Spooler::EnumeratePrinters(unsigned char* buffer, std::uint32_t size,
                                     std::uint32_t* needed, std::uint32_t* returned) {
  DWORD needed_bytes = 0;
  DWORD records = 0;
  const BOOL ok = ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer,
                                  size, &needed_bytes, &records);
  *needed = needed_bytes;
  *returned = records;
  return ok != FALSE;
}

std::optional<std::u16string> Win32Spooler::PrinterName(const unsigned char* buffer,
                                                        std::uint32_t index) {
  PRINTER_INFO_4W record;
  std::memcpy(&record, buffer + static_cast<std::size_t>(index) * sizeof(record), sizeof(record));
  if (record.pPrinterName == nullptr) return std::nullopt;
  return FromWide(record.pPrinterName);
}

bool Win32Spooler::Open(const std::u16string& name, PrinterHandle* handle) {
  std::wstring wide_name = ToWide(name);
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(wide_name.data(), &printer, nullptr)) return false;
  *handle = static_cast<PrinterHandle>(reinterpret_cast<std::uintptr_t>(printer));
  return true;
}

bool Win32Spooler::StartDocument(PrinterHandle handle, const PrintDocument& document) {
  std::wstring name = ToWide(document.name);
  std::wstring datatype = ToWide(document.datatype);
  DOC_INFO_1W info = {name.data(), nullptr, datatype.data()};
  return ::StartDocPrinterW(ToHandle(handle), 1, reinterpret_cast<BYTE*>(&info)) != 0;
}

bool Win32Spooler::StartPage(PrinterHandle handle) {
  return ::StartPagePrinter(ToHandle(handle)) != FALSE;
}

bool Win32Spooler::WritePrinter(PrinterHandle handle, const unsigned char* data,
                                std::uint32_t count, std::uint32_t* written) {
  DWORD taken = 0;
  // WritePrinter only reads the buffer, whatever its signature says.
  const BOOL ok = ::WritePrinter(ToHandle(handle), const_cast<unsigned char*>(data), count, &taken);
  *written = taken;
  return ok != FALSE;
}

bool Win32Spooler::EndPage(PrinterHandle handle) {
  return ::EndPagePrinter(ToHandle(handle)) != FALSE;
}

bool Win32Spooler::EndDocument(PrinterHandle handle) {
  return ::EndDocPrinter(ToHandle(handle)) != FALSE;
}

void Win32Spooler::AbortPrinter(PrinterHandle handle) { ::AbortPrinter(ToHandle(handle)); }

void Win32Spooler::ClosePrinter(PrinterHandle handle) { ::ClosePrinter(ToHandle(handle)); }
