// A DosDevices that answers a fixed list of names (or fails), and records the buffer it was given.
// A fault hook, when set, is asked first.
#ifndef QUENBREL_TESTS_PRINTER_FAKE_DOS_DEVICES_H_
#define QUENBREL_TESTS_PRINTER_FAKE_DOS_DEVICES_H_

#include <algorithm>
#include <string>
#include <vector>

#include "printer/platform/dos_devices.h"
#include "tests/printer/fault_hook.h"

class FakeDosDevices final : public DosDevices {
 public:
  std::vector<std::u16string> names;
  bool fails = false;
  std::uint32_t capacity_given = 0;
  bool buffer_was_zeroed = false;
  FaultHook* hook = nullptr;

  std::uint32_t QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) override {
    if (FaultHook::Ask(hook, "QueryDeviceNames") != FaultHook::kPass) return 0;
    capacity_given = capacity;
    buffer_was_zeroed = std::all_of(buffer, buffer + capacity, [](char16_t u) { return u == 0; });
    std::u16string list;
    for (const auto& name : names) list += name + u'\0';
    list += u'\0';
    if (fails || list.size() > capacity) return 0;
    std::copy(list.begin(), list.end(), buffer);
    return static_cast<std::uint32_t>(list.size());
  }
};

#endif  // QUENBREL_TESTS_PRINTER_FAKE_DOS_DEVICES_H_
