// The standard codec against one memcpy and against msgpack-c, in the same binary: decoding the
// largest "print" call, and encoding then decoding the "list" reply of 50 devices (also each half
// on its own) and a 65,536-byte payload.
#include <benchmark/benchmark.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>
#include <cstring>
#include <map>
#include <msgpack.hpp>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/standard_codec_serializer.h"
#include "channel/standard_method_codec.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr size_t kTicketBytes = 65536;
constexpr int kDevices = 50;

std::vector<uint8_t> Ticket() {
  std::vector<uint8_t> ticket(kTicketBytes);
  for (size_t i = 0; i < ticket.size(); ++i) ticket[i] = static_cast<uint8_t>(i * 31 + 7);
  return ticket;
}

std::vector<std::map<std::string, std::string>> DeviceMaps() {
  std::vector<std::map<std::string, std::string>> devices;
  for (int i = 0; i < kDevices; ++i) {
    const std::string name = i % 2 ? "COM" + std::to_string(i + 1) : "Caisse " + std::to_string(i);
    const bool serial = i % 2 != 0;
    devices.push_back(
        {{"id", (serial ? "serial:" : "printer:") + name},
         {"name", name + (serial ? " (port Bluetooth / serie)" : " (imprimante Windows)")},
         {"transport", "windows"}});
  }
  return devices;
}

EncodableValue DeviceList() {
  EncodableList list;
  for (const auto& device : DeviceMaps()) {
    EncodableMap map;
    for (const auto& [key, value] : device) map.emplace(key, value);
    list.emplace_back(std::move(map));
  }
  return EncodableValue(std::move(list));
}

// One 64 KiB memcpy, the target the argument's bytes further into its 4 KiB page than the source.
// At some offsets the C library's copy is far slower on some processors: on this project's AMD
// machines, 1 to 31 bytes (glibc's "rep movsb"), 17x; two 64 KiB blocks from malloc in a row sit
// 16 bytes apart. bench/table.py takes the fastest offset as the baseline.
void BM_Memcpy65536(benchmark::State& state) {
  constexpr size_t kPage = 4096;
  std::vector<uint8_t> source(kTicketBytes + kPage), target(kTicketBytes + 2 * kPage);
  auto page_start = [](std::vector<uint8_t>& v) {
    return v.data() + (kPage - reinterpret_cast<uintptr_t>(v.data()) % kPage) % kPage;
  };
  uint8_t* from = page_start(source);
  uint8_t* to = page_start(target) + state.range(0);
  const std::vector<uint8_t> ticket = Ticket();
  std::memcpy(from, ticket.data(), kTicketBytes);
  for (auto _ : state) {
    std::memcpy(to, from, kTicketBytes);
    benchmark::DoNotOptimize(to);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memcpy65536)->Arg(0)->Arg(16)->Arg(64)->Arg(2048);

void BM_DecodePrintCall(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  EncodableMap arguments{{EncodableValue("device"), EncodableValue("serial:COM5")},
                         {EncodableValue("bytes"), EncodableValue(Ticket())}};
  const auto message = codec.EncodeMethodCall(
      flutter::MethodCall("print", std::make_unique<EncodableValue>(std::move(arguments))));
  for (auto _ : state) {
    auto call = codec.DecodeMethodCall(message->data(), message->size());
    benchmark::DoNotOptimize(call.get());
  }
}
BENCHMARK(BM_DecodePrintCall);

// The value of a success reply, as the application's end of a channel decodes it.
EncodableValue DecodeReply(const std::vector<uint8_t>& envelope) {
  flutter::ByteBufferStreamReader reader(envelope.data(), envelope.size());
  reader.ReadByte();  // status
  return flutter::StandardCodecSerializer::GetInstance().ReadValue(&reader);
}

// Encodes |value| as a success reply and decodes the value again, as the two ends of a channel do.
void EncodeDecode(benchmark::State& state, const EncodableValue& value) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  for (auto _ : state) {
    auto envelope = codec.EncodeSuccessEnvelope(&value);
    EncodableValue decoded = DecodeReply(*envelope);
    benchmark::DoNotOptimize(&decoded);
  }
}

template <typename T>
void PackUnpack(benchmark::State& state, const T& value) {
  for (auto _ : state) {
    msgpack::sbuffer buffer;
    msgpack::pack(buffer, value);
    msgpack::object_handle handle = msgpack::unpack(buffer.data(), buffer.size());
    T decoded = handle.get().as<T>();
    benchmark::DoNotOptimize(&decoded);
  }
}

void BM_CodecListReply(benchmark::State& state) { EncodeDecode(state, DeviceList()); }
BENCHMARK(BM_CodecListReply);

void BM_MsgpackListReply(benchmark::State& state) { PackUnpack(state, DeviceMaps()); }
BENCHMARK(BM_MsgpackListReply);

void BM_CodecListEncode(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  const EncodableValue value = DeviceList();
  for (auto _ : state) {
    auto envelope = codec.EncodeSuccessEnvelope(&value);
    benchmark::DoNotOptimize(envelope->data());
  }
}
BENCHMARK(BM_CodecListEncode);

void BM_MsgpackListPack(benchmark::State& state) {
  const auto value = DeviceMaps();
  for (auto _ : state) {
    msgpack::sbuffer buffer;
    msgpack::pack(buffer, value);
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_MsgpackListPack);

void BM_CodecListDecode(benchmark::State& state) {
  const EncodableValue value = DeviceList();
  const auto envelope = flutter::StandardMethodCodec::GetInstance().EncodeSuccessEnvelope(&value);
  for (auto _ : state) {
    EncodableValue decoded = DecodeReply(*envelope);
    benchmark::DoNotOptimize(&decoded);
  }
}
BENCHMARK(BM_CodecListDecode);

void BM_MsgpackListUnpack(benchmark::State& state) {
  using Devices = decltype(DeviceMaps());
  msgpack::sbuffer buffer;
  msgpack::pack(buffer, DeviceMaps());
  for (auto _ : state) {
    msgpack::object_handle handle = msgpack::unpack(buffer.data(), buffer.size());
    Devices decoded = handle.get().as<Devices>();
    benchmark::DoNotOptimize(&decoded);
  }
}
BENCHMARK(BM_MsgpackListUnpack);

void BM_CodecPayload(benchmark::State& state) { EncodeDecode(state, EncodableValue(Ticket())); }
BENCHMARK(BM_CodecPayload);

void BM_MsgpackPayload(benchmark::State& state) { PackUnpack(state, Ticket()); }
BENCHMARK(BM_MsgpackPayload);

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // Keep freed memory in the heap: otherwise glibc hands the top of the heap back to the kernel
  // after each large free, and every contender pays page faults that measure the kernel, not it.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
