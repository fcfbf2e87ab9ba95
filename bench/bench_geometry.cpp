// bench_geometry: how long the picture's solid geometry takes to build, against simply writing
// the same bytes into the arena, and the arena's tube segment against the plain per-side one.
//
//   ./build/bench_geometry --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The arena's pages are touched once before any benchmark runs, so every benchmark times the
// same warm memory and none pays the first-touch page faults for another. The two "Cold" runs
// hand the pages back to the system before each iteration (outside the timing), so they time
// what the program's one frame meets: every page faulted in on its first write.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <benchmark/benchmark.h>

#include "geometry/arena.h"
#include "geometry/tube.h"
#include "geometry/tube_reference.h"
#include "scene/picture.h"

namespace {

constexpr int kTubeBatch = 1000;  // segments per tube benchmark iteration

// Drops the arena's pages that the picture writes; the next write to each faults in a zero page.
void release_picture_pages() {
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto release = [page](const void* from, size_t bytes) {
    const uintptr_t start = (reinterpret_cast<uintptr_t>(from) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(from) + bytes) & ~(page - 1);
    if (end > start && madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED) != 0) {
      std::perror("madvise");
      std::abort();
    }
  };
  release(g_arena.vertices, kPictureTriangleVertices * sizeof(Vertex));
  release(g_arena.indices, kPictureTriangleVertices * sizeof(uint32_t));
}

void set_bytes_counter(benchmark::State& state, int64_t vertices) {
  state.SetBytesProcessed(state.iterations() * vertices *
                          static_cast<int64_t>(sizeof(Vertex) + sizeof(uint32_t)));
}

// Table, glass top, swan and cage, whole, from an empty arena.
void build_picture() {
  g_arena.count = 0;
  build_table();
  build_glass_top();
  build_swan_body();
  build_cage();
}

// The same number of records and index entries, written one record at a time with nothing
// computed: the floor any generator of this much geometry stands on.
void emit_raw_records() {
  Vertex* v = g_arena.vertices;
  uint32_t* index = g_arena.indices;
  for (int32_t i = 0; i < kPictureTriangleVertices; ++i) {
    const float f = static_cast<float>(i);
    v[i] = {1, 1, 1, 1, 0, 0, 1, f, f, f};
    index[i] = static_cast<uint32_t>(i);
  }
}

// Times `kWrite` over the picture's share of the arena, on warm pages or, when `kCold`, on pages
// handed back to the system before each iteration (outside the timing).
template <void (*kWrite)(), bool kCold>
void BM_Write(benchmark::State& state) {
  for (auto _ : state) {
    if (kCold) {
      state.PauseTiming();
      release_picture_pages();
      state.ResumeTiming();
    }
    kWrite();
    benchmark::ClobberMemory();
  }
  set_bytes_counter(state, kPictureTriangleVertices);
}

void BM_FullPicture(benchmark::State& state) {
  BM_Write<build_picture, false>(state);
  if (g_arena.count != kPictureTriangleVertices) state.SkipWithError("unexpected vertex count");
}
void BM_FullPictureCold(benchmark::State& state) {
  BM_Write<build_picture, true>(state);
}
void BM_RawRecordWrite(benchmark::State& state) {
  BM_Write<emit_raw_records, false>(state);
}
void BM_RawRecordWriteCold(benchmark::State& state) {
  BM_Write<emit_raw_records, true>(state);
}
BENCHMARK(BM_FullPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullPictureCold)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawRecordWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawRecordWriteCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes written by memset, which the C library may stream past the caches.
void BM_RawMemset(benchmark::State& state) {
  for (auto _ : state) {
    std::memset(g_arena.vertices, 0, kPictureTriangleVertices * sizeof(Vertex));
    std::memset(g_arena.indices, 0, kPictureTriangleVertices * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  set_bytes_counter(state, kPictureTriangleVertices);
}
BENCHMARK(BM_RawMemset)->Unit(benchmark::kMillisecond)->UseRealTime();

// A batch of cage-like wires (radius 1, varied tilted axes), through the arena's tube segment and
// through the plain per-side definition with its own trigonometry and checks.
template <void (*kEmit)(const Point3&, const Point3&, float, float)>
void BM_Tube(benchmark::State& state) {
  for (auto _ : state) {
    g_arena.count = 0;
    for (int s = 0; s < kTubeBatch; ++s) {
      const float t = static_cast<float>(s);
      kEmit({t, 0.5f * t, 3}, {t + 1, 0.5f * t + 2, 4 + 0.01f * t}, 1, 1);
    }
    benchmark::ClobberMemory();
  }
  set_bytes_counter(state, kTubeBatch * kTubeVertices);
}
void BM_TubeSegment(benchmark::State& state) {
  BM_Tube<emit_tube_segment>(state);
}
void BM_TubeSegmentPlain(benchmark::State& state) {
  BM_Tube<reference_tube_segment>(state);
}
BENCHMARK(BM_TubeSegment)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TubeSegmentPlain)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::memset(g_arena.vertices, 0, kPictureTriangleVertices * sizeof(Vertex));
  std::memset(g_arena.indices, 0, kPictureTriangleVertices * sizeof(uint32_t));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
