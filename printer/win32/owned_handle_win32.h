// Handles of Windows held by their owner and closed once, with the function of their kind. A failed
// opening (null, or INVALID_HANDLE_VALUE) holds nothing.
#ifndef QUENBREL_PRINTER_WIN32_OWNED_HANDLE_WIN32_H_
#define QUENBREL_PRINTER_WIN32_OWNED_HANDLE_WIN32_H_

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <type_traits>

template <typename Handle, typename Close>
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<Handle>, Close>;

// `handle` owned; nothing when it is null or INVALID_HANDLE_VALUE.
template <typename Close, typename Handle>
OwnedHandle<Handle, Close> Own(Handle handle) {
  const bool none = handle == nullptr || handle == reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
  return OwnedHandle<Handle, Close>(none ? nullptr : handle);
}

struct CloseKey {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using OwnedKey = OwnedHandle<HKEY, CloseKey>;

struct ClosePrinterHandle {
  void operator()(HANDLE printer) const { ::ClosePrinter(printer); }
};
using OwnedPrinter = OwnedHandle<HANDLE, ClosePrinterHandle>;

// The printer (or the spooler's object) named `name`, opened with `access` (0: the default one);
// nothing when Windows refuses it.
inline OwnedPrinter OpenPrinterNamed(std::wstring name, DWORD access) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(name.data(), &printer, access == 0 ? nullptr : &defaults)) printer = nullptr;
  return Own<ClosePrinterHandle>(printer);
}

#endif  // QUENBREL_PRINTER_WIN32_OWNED_HANDLE_WIN32_H_
