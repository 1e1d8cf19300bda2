// Payload streams: writing (with the compression at release) and reading
// (with the inflation at opening) payloads of a given size.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_fixture.h"
#include "bench/counting_allocator.h"
#include "com/iids.h"

namespace orv {
namespace bench {
namespace {

IORVEntry* NewEntry(IORVRoot* root) {
  IORVList* list = nullptr;
  root->QueryInterface(IID_IORVList, reinterpret_cast<void**>(&list));
  IORVEntry* entry = nullptr;
  list->CreateEntry(&entry);
  list->Release();
  return entry;
}

void BM_WritePayload(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  IORVRoot* root = BuildFlatContainer(ScratchPath("write.orv"), 0, 0);
  IORVEntry* entry = NewEntry(root);
  std::vector<uint8_t> bytes = SamplePayload(size, 7);
  CountingAllocator::ResetPeak();
  for (auto _ : state) WritePayload(entry, bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["peak_bytes"] =
      benchmark::Counter(static_cast<double>(CountingAllocator::peak()));
  entry->Release();
  root->Release();
}
BENCHMARK(BM_WritePayload)->Arg(100)->Arg(64 << 10)->Arg(4 << 20);

void BM_ReadPayload(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  IORVRoot* root = BuildFlatContainer(ScratchPath("read.orv"), 0, 0);
  IORVEntry* entry = NewEntry(root);
  WritePayload(entry, SamplePayload(size, 7));
  std::vector<uint8_t> into(size);
  CountingAllocator::ResetPeak();
  for (auto _ : state) {
    IJInStream* in = nullptr;
    entry->OpenInputStream(&in);
    if (in->Read(into.data(), static_cast<uint32_t>(size)) != 0) {
      state.SkipWithError("read failed");
    }
    in->Release();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["peak_bytes"] =
      benchmark::Counter(static_cast<double>(CountingAllocator::peak()));
  entry->Release();
  root->Release();
}
BENCHMARK(BM_ReadPayload)->Arg(100)->Arg(64 << 10)->Arg(4 << 20);

}  // namespace
}  // namespace bench
}  // namespace orv
