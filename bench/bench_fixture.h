// Shared set-up of the benchmarks: a scratch directory, the file-system
// object, and containers filled with a given shape.
#ifndef ORV_BENCH_BENCH_FIXTURE_H_
#define ORV_BENCH_BENCH_FIXTURE_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "com/orv_interfaces.h"
#include "com/stream_interfaces.h"

namespace orv {
namespace bench {

// `name` inside a scratch directory that is removed with its files at exit.
std::string ScratchPath(const std::string& name);

// The file-system object, made once.
IORVFileSystem* FileSystem();

// Payload bytes that compress like ordinary structured data: repeated
// records with a counter, not all zeros and not random.
std::vector<uint8_t> SamplePayload(size_t size, uint32_t seed);

// Creates a container at `path` whose root holds `entries` entries named
// e0, e1, ... each with a payload of `payloadSize` bytes (none when 0), and
// saves it. Returns the open root (one reference for the caller).
IORVRoot* BuildFlatContainer(const std::string& path, int entries,
                             size_t payloadSize);

// Opens the container at `path`; aborts when it cannot.
IORVRoot* OpenContainer(const std::string& path);

// Replaces `entry`'s payload with `bytes` through an output stream.
void WritePayload(IORVEntry* entry, const std::vector<uint8_t>& bytes);

// Size of the file at `path`.
uint64_t FileSize(const std::string& path);

}  // namespace bench
}  // namespace orv

#endif  // ORV_BENCH_BENCH_FIXTURE_H_
