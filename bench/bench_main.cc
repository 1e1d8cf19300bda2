// Runs every benchmark with the counting allocator installed, so each can
// report the memory its operation needed ("peak_bytes").
#include <benchmark/benchmark.h>

#include "bench/counting_allocator.h"

int main(int argc, char** argv) {
  orv::bench::CountingAllocator counting;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
