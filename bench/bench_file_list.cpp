// The result lists at the scale of a season: 1,000,000 recordings classified
// one by one into the passed and failed lists (two directories whose names
// interleave), each looked up by its path as a rescan does, the lists read
// in order as the summary writes them, and a disposition removing half of
// them in one pass.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/file_list.h"

namespace {

std::vector<std::string> seasonPaths(std::size_t n) {
  std::vector<std::string> paths;
  paths.reserve(n);
  char name[64];
  for (std::size_t i = 0; i < n; ++i) {
    // Two detectors: the same names in two directories, scanned directory
    // by directory, so the second half lands between the first.
    const std::size_t k = i % (n / 2);
    std::snprintf(name, sizeof name, "REC_%08zu.WAV", k);
    paths.push_back(std::string(i < n / 2 ? "/data/site1/" : "/data/site2/") + name);
  }
  return paths;
}

quilve::FileEntry entryOf(const std::string& path, int calls) {
  quilve::FileEntry e;
  e.path = path;
  e.name = path.substr(path.find_last_of('/') + 1);
  e.value = calls;
  return e;
}

void BM_BuildLists(benchmark::State& state) {
  const auto paths = seasonPaths(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    quilve::FileList passed, failed;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const int calls = static_cast<int>(i % 3);
      // What classifying one recording does: take it out of the other list,
      // put it into its own with the selection on it.
      quilve::FileList& into = calls >= 1 ? passed : failed;
      quilve::FileList& other = calls >= 1 ? failed : passed;
      other.removePath(paths[i]);
      into.put(entryOf(paths[i], calls), true);
    }
    benchmark::DoNotOptimize(passed.entries().size() + failed.entries().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SearchByPath(benchmark::State& state) {
  const auto paths = seasonPaths(static_cast<std::size_t>(state.range(0)));
  quilve::FileList list;
  for (const auto& p : paths) list.put(entryOf(p, 1));
  list.entries();
  for (auto _ : state) {
    std::size_t found = 0;
    for (const auto& p : paths) found += list.findPath(p) != quilve::FileList::kNone;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RescanReplacesEveryEntry(benchmark::State& state) {
  const auto paths = seasonPaths(static_cast<std::size_t>(state.range(0)));
  quilve::FileList list;
  for (const auto& p : paths) list.put(entryOf(p, 1));
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (const auto& p : paths) list.put(entryOf(p, round), true);
    benchmark::DoNotOptimize(list.sum());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteAndRemoveHalf(benchmark::State& state) {
  const auto paths = seasonPaths(static_cast<std::size_t>(state.range(0)));
  std::vector<std::string> half(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(paths.size() / 2));
  for (auto _ : state) {
    state.PauseTiming();
    quilve::FileList list;
    for (const auto& p : paths) list.put(entryOf(p, 1));
    list.entries();
    state.ResumeTiming();
    std::string text;
    for (const auto& e : list.entries()) text += e.path + "\t" + std::to_string(e.value) + "\n";
    list.removePaths(half);
    benchmark::DoNotOptimize(text.size() + static_cast<std::size_t>(list.size()));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_BuildLists)->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchByPath)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescanReplacesEveryEntry)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAndRemoveHalf)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
