// Parsing long name lists from standard input: each name copies the current record.
#include <benchmark/benchmark.h>

#include <sstream>

#include "cli/options.h"

namespace {

void BM_NamesFromStdin(benchmark::State& state) {
  std::string names;
  for (int64_t i = 0; i < state.range(0); ++i)
    names += "/media/archive/2005/clip-" + std::to_string(i) + ".mov\n";
  const std::vector<std::string> args{"-track", "Video", "-sscale", "2", "-about", "10", "20",
                                      "-names-from-stdin"};
  for (auto _ : state) {
    std::istringstream in(names);
    std::ostringstream err;
    RunOptions options;
    std::list<MovieStruct> records;
    ParseCommandLine(args, concatenateFunction, "clipchain", "clipchain", options, records, in,
                     err);
    benchmark::DoNotOptimize(records.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NamesFromStdin)->Arg(1000)->Arg(100000);

void BM_ManyMatrixOptions(benchmark::State& state) {
  std::vector<std::string> args;
  for (int i = 0; i < 1000; ++i) {
    args.insert(args.end(), {"-rotate", "30", "-about", "5", "5", "-hscale", "1/2", "-htranslate",
                             "3"});
  }
  args.push_back("a.mov");
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream err;
    RunOptions options;
    std::list<MovieStruct> records;
    ParseCommandLine(args, concatenateFunction, "clipchain", "clipchain", options, records, in,
                     err);
    benchmark::DoNotOptimize(records.front().trackMatrix);
  }
  state.SetItemsProcessed(state.iterations() * 3000);
}
BENCHMARK(BM_ManyMatrixOptions);

}  // namespace
