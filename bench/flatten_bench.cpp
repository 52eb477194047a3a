// The self-contained writer's parts that do not depend on the disk: planning which samples to
// copy and laying them out, for movies with many samples; and the media copy's two paths
// (copy_file_range and the buffered fallback) on a file in the page cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/model/movie_model.h"
#include "platform/write/flatten_layout.h"
#include "platform/write/flatten_plan.h"
#include "platform/write/media_copy.h"

namespace {

// A movie of `minutes` of 30 fps video (a sync sample every 2 s) and 48 kHz AAC in 1024-sample
// frames, cut into ten edits, as a join of ten inputs would be.
tvx::Movie LongMovie(int minutes) {
  tvx::Movie movie;
  movie.timeScale = 600;
  struct Kind {
    OSType handler;
    TimeScale scale;
    std::uint32_t duration;
    std::uint32_t syncEvery;
    std::uint32_t size;
  };
  std::uint64_t offset = 0;
  for (const Kind& k : {Kind{FOUR_CHAR_CODE("vide"), 30000, 1000, 60, 150000},
                        Kind{FOUR_CHAR_CODE("soun"), 48000, 1024, 1, 600}}) {
    tvx::Track* track = movie.AddTrack();
    tvx::Media& media = track->media;
    media.handlerType = k.handler;
    media.timeScale = k.scale;
    tvx::DataRef ref;
    ref.resolvedPath = "/nonexistent/source.mov";
    media.dataRefs.push_back(ref);
    media.descriptions.push_back({{0, 0, 0, 16, 't', 'e', 's', 't', 0, 0, 0, 0, 0, 0, 0, 1}});
    const std::uint32_t count = std::uint32_t(std::int64_t(minutes) * 60 * k.scale / k.duration);
    for (std::uint32_t s = 0; s < count; ++s) {
      media.samples.AppendSample(offset, k.size + (s % 7), k.duration, 0, s % k.syncEvery == 0, 1,
                                 s % 30 == 0);
      offset += k.size + (s % 7);
    }
    media.samples.Finalize();
    const std::int64_t mediaDuration = media.samples.Duration();
    track->edits.clear();
    for (int e = 0; e < 10; ++e) {
      const std::int64_t start = mediaDuration * e / 10;
      const std::int64_t end = mediaDuration * (e + 1) / 10;
      track->edits.push_back({(end - start) * movie.timeScale / k.scale, start, fixed1});
    }
  }
  return movie;
}

void BM_PlanAndLayOut(benchmark::State& state) {
  const tvx::Movie movie = LongMovie(int(state.range(0)));
  std::size_t samples = 0;
  for (const auto& t : movie.tracks) samples += t->media.samples.sampleCount;
  for (auto _ : state) {
    tvx::FlattenPlan plan;
    if (tvx::PlanFlatten(movie, "/tmp/out.mov", &plan) != noErr) state.SkipWithError("plan failed");
    tvx::FlattenLayout layout;
    tvx::LayOutMedia(&plan, 0.5, &layout);
    tvx::PlaceMedia(&plan, layout, 4096);
    benchmark::DoNotOptimize(layout.totalBytes);
  }
  state.counters["samples"] = double(samples);
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(samples));
}
BENCHMARK(BM_PlanAndLayOut)->Arg(10)->Arg(120)->Unit(benchmark::kMillisecond);

// Copies a 256 MiB file (in the page cache after the first round) as 4096 pieces of 64 KiB that
// continue each other, as the samples of one chunk after another do.
void BM_MediaCopy(benchmark::State& state) {
  const bool kernel = state.range(0) != 0;
  const std::string dir = std::getenv("BENCH_DIR") ? std::getenv("BENCH_DIR") : "/tmp";
  const std::string source = dir + "/tvx_flatten_bench_source";
  const std::string target = dir + "/tvx_flatten_bench_target";
  const std::size_t piece = 64 << 10, pieces = 4096;
  {
    std::vector<char> block(piece, 'x');
    int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t i = 0; i < pieces; ++i)
      if (::write(fd, block.data(), block.size()) != ssize_t(block.size())) break;
    ::close(fd);
  }
  for (auto _ : state) {
    int out = ::open(target.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    tvx::MediaCopier copier(out, nullptr);
    copier.UseKernelCopy(kernel);
    std::uint32_t index = 0;
    if (copier.AddSource(source, &index) != noErr) state.SkipWithError("open failed");
    for (std::size_t i = 0; i < pieces; ++i) copier.Copy(index, i * piece, piece, i * piece);
    if (copier.Finish() != noErr) state.SkipWithError("copy failed");
    ::close(out);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(piece * pieces));
  ::unlink(source.c_str());
  ::unlink(target.c_str());
}
BENCHMARK(BM_MediaCopy)->Arg(1)->Arg(0)->ArgName("kernel")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
