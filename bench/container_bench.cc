// Containers: saving, opening and walking, finding, inserting, deep trees.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "bench/bench_fixture.h"
#include "bench/counting_allocator.h"
#include "com/iids.h"

namespace orv {
namespace bench {
namespace {

template <class Interface>
Interface* As(IUnknown* object, const IID& iid) {
  void* out = nullptr;
  object->QueryInterface(iid, &out);
  return static_cast<Interface*>(out);
}

void ReportMemory(benchmark::State& state) {
  state.counters["peak_bytes"] =
      benchmark::Counter(static_cast<double>(CountingAllocator::peak()));
}

// Saving in place a container of N entries with payloads of S bytes: the
// first save compressed the payloads; each timed save copies them from the
// old file, writes the tables and replaces the file.
void BM_SaveInPlace(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const size_t payload = static_cast<size_t>(state.range(1));
  std::string path = ScratchPath("save.orv");
  IORVRoot* root = BuildFlatContainer(path, entries, payload);
  CountingAllocator::ResetPeak();
  for (auto _ : state) {
    if (root->Save(0, 0, nullptr) != 0) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(FileSize(path)));
  ReportMemory(state);
  state.counters["file_bytes"] =
      benchmark::Counter(static_cast<double>(FileSize(path)));
  root->Release();
}
BENCHMARK(BM_SaveInPlace)
    ->Args({100, 0})
    ->Args({10000, 0})
    ->Args({1000, 1024})
    ->Args({100, 65536})
    ->Unit(benchmark::kMillisecond);

// Opening a container and walking every entry of the root: one header read
// and one table load.
void BM_OpenAndWalk(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  std::string path = ScratchPath("walk.orv");
  BuildFlatContainer(path, entries, 0)->Release();
  CountingAllocator::ResetPeak();
  for (auto _ : state) {
    IORVRoot* root = OpenContainer(path);
    IObjectList* objects = As<IObjectList>(root, IID_IObjectList);
    IORVEntry* entry = nullptr;
    objects->GetFirst(reinterpret_cast<void**>(&entry), IID_IORVEntry);
    int seen = 0;
    while (entry != nullptr) {
      IORVEntry* next = nullptr;
      objects->GetNext(reinterpret_cast<void**>(&next), IID_IORVEntry, entry);
      entry->Release();
      entry = next;
      ++seen;
    }
    if (seen != entries) state.SkipWithError("walk missed entries");
    objects->Release();
    root->Release();
  }
  state.SetItemsProcessed(state.iterations() * entries);
  ReportMemory(state);
}
BENCHMARK(BM_OpenAndWalk)->Arg(100)->Arg(10000)->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// Finding the last entry by name in a loaded list of N: names are compared
// one element at a time.
void BM_FindLast(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  std::string path = ScratchPath("find.orv");
  IORVRoot* root = BuildFlatContainer(path, entries, 0);
  IORVList* list = As<IORVList>(root, IID_IORVList);
  std::string name = "e" + std::to_string(entries - 1);
  for (auto _ : state) {
    IORVEntry* found = nullptr;
    list->FindEntry(&found, name.data(), static_cast<uint16_t>(name.size()));
    if (found == nullptr) state.SkipWithError("not found");
    else found->Release();
  }
  state.SetItemsProcessed(state.iterations() * entries);
  list->Release();
  root->Release();
}
BENCHMARK(BM_FindLast)->Arg(100)->Arg(10000);

// Filling one list with N new entries through Insert, which checks every
// name already there.
void BM_FillList(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  std::string path = ScratchPath("fill.orv");
  for (auto _ : state) {
    unlink(path.c_str());
    IORVRoot* root = nullptr;
    FileSystem()->OpenRoot(&root, path.c_str(), 1, 0);
    IORVList* list = As<IORVList>(root, IID_IORVList);
    IObjectList* objects = As<IObjectList>(root, IID_IObjectList);
    for (int i = 0; i < entries; ++i) {
      IORVEntry* entry = nullptr;
      list->CreateEntry(&entry);
      std::string name = "n" + std::to_string(i);
      entry->SetName(name.data(), static_cast<uint16_t>(name.size()));
      objects->Insert(entry, nullptr);
      entry->Release();
    }
    objects->Release();
    list->Release();
    root->Release();
  }
  state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(BM_FillList)->Arg(100)->Arg(1000)->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// A chain of entries nested N deep: built, saved, reopened, walked to the
// bottom and released. Every walk is iterative, so depth costs no stack.
void BM_DeepChain(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  std::string path = ScratchPath("deep.orv");
  CountingAllocator::ResetPeak();
  for (auto _ : state) {
    unlink(path.c_str());
    IORVRoot* root = nullptr;
    FileSystem()->OpenRoot(&root, path.c_str(), 1, 0);
    IORVList* parent = As<IORVList>(root, IID_IORVList);
    for (int i = 0; i < depth; ++i) {
      IORVEntry* entry = nullptr;
      parent->CreateEntry(&entry);
      IObjectList* objects = As<IObjectList>(parent, IID_IObjectList);
      objects->Insert(entry, nullptr);
      objects->Release();
      parent->Release();
      parent = As<IORVList>(entry, IID_IORVList);
      entry->Release();
    }
    parent->Release();
    if (root->Save(0, 0, nullptr) != 0) state.SkipWithError("save failed");
    root->Release();
  }
  state.SetItemsProcessed(state.iterations() * depth);
  ReportMemory(state);
}
BENCHMARK(BM_DeepChain)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bench
}  // namespace orv
