// The two halves of `cliptweak -q big.mov -o ref.mov` inside one process: reading the big movie
// (NewMovieFromFile) and writing it back as a reference movie (CreateMovieStorage +
// AddMovieToStorage), so that a change to either shows without process start-up around it.
// The movie is the one bench/read_bench.sh makes: $BENCH_DIR/big.mov (default /tmp/tvx_bench).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/Movies.h"

namespace {

std::string BenchDir() {
  const char* dir = std::getenv("BENCH_DIR");
  return dir ? dir : "/tmp/tvx_bench";
}

Movie Load(const std::string& path, OSErr* status) {
  EnterMovies();
  FSSpec spec{path};
  SInt16 refNum = 0;
  *status = OpenMovieFile(&spec, &refNum, fsRdPerm);
  if (*status != noErr) return nullptr;
  Movie movie = nullptr;
  SInt16 resId = 0;
  *status = NewMovieFromFile(&movie, refNum, &resId, nullptr, 0, nullptr);
  CloseMovieFile(refNum);
  return movie;
}

// Movies live until the process ends, so each iteration keeps one: few iterations.
void BM_ReadBigMovie(benchmark::State& state) {
  const std::string path = BenchDir() + "/big.mov";
  for (auto _ : state) {
    OSErr status = noErr;
    Movie movie = Load(path, &status);
    if (status != noErr) {
      state.SkipWithError(("cannot read " + path + "; run bench/read_bench.sh first").c_str());
      break;
    }
    benchmark::DoNotOptimize(movie);
  }
}
BENCHMARK(BM_ReadBigMovie)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteBigReferenceMovie(benchmark::State& state) {
  const std::string dir = BenchDir();
  OSErr status = noErr;
  Movie movie = Load(dir + "/big.mov", &status);
  if (status != noErr) {
    state.SkipWithError("cannot read big.mov; run bench/read_bench.sh first");
    return;
  }
  const std::string out = dir + "/bench_ref.mov";
  CFStringRef path = CFSTR(out.c_str());
  for (auto _ : state) {
    Handle dataRef = nullptr;
    OSType dataRefType = 0;
    QTNewDataReferenceFromFullPathCFString(path, kQTPOSIXPathStyle, 0, &dataRef, &dataRefType);
    DataHandler handler = nullptr;
    Movie storage = nullptr;
    status = CreateMovieStorage(dataRef, dataRefType, FOUR_CHAR_CODE("TVlr"), smSystemScript,
                                createMovieFileDeleteCurFile, &handler, &storage);
    if (status == noErr) status = AddMovieToStorage(movie, handler);
    if (handler) CloseComponent(handler);
    if (dataRef) DisposeHandle(dataRef);
    if (status != noErr) {
      state.SkipWithError("writing the reference movie failed");
      break;
    }
  }
}
BENCHMARK(BM_WriteBigReferenceMovie)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
