// Reading chapter tracks and cutting chapters out of a movie.
#include "input/chapter.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <set>
#include <vector>

namespace {

/// The tracks referenced as 'chap' by any track, each once, in the order first referenced.
std::vector<Track> ChapterTracks(Movie movie) {
  std::vector<Track> tracks;
  std::set<Track> seen;
  const long trackCount = GetMovieTrackCount(movie);
  for (long i = 1; i <= trackCount; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    if (track == nullptr) break;
    const long referenceCount = GetTrackReferenceCount(track, kTrackReferenceChapterList);
    for (long j = 1; j <= referenceCount; ++j) {
      Track referenced = GetTrackReference(track, kTrackReferenceChapterList, j);
      if (referenced != nullptr && seen.insert(referenced).second) tracks.push_back(referenced);
    }
  }
  return tracks;
}

/// A text sample (QuickTime File Format, text media): a 16-bit length, then the text, possibly
/// followed by further atoms. The name runs from the third byte to the first zero byte, and
/// never past the sample, whatever the length field says.
std::string NameFromSample(Handle sample, long sampleSize) {
  const long available = std::min<long>(sampleSize, GetHandleSize(sample));
  if (available <= 2 || *sample == nullptr) return std::string();
  const char* text = *sample + 2;
  const std::size_t length = strnlen(text, static_cast<std::size_t>(available - 2));
  return std::string(text, length);
}

void ReadChapterTrack(Movie movie, Track track, std::list<chapter>& chapters) {
  Media media = GetTrackMedia(track);
  const TimeScale timeScale = GetMovieTimeScale(movie);
  TimeValue time = -1;
  TimeValue duration = 0;
  GetTrackNextInterestingTime(track, nextTimeMediaSample | nextTimeEdgeOK, GetTrackOffset(track),
                              fixed1, &time, &duration);
  Handle sample = NewHandle(4);
  while (time != -1) {
    long size = 0;
    const OSErr status = GetMediaSample(media, sample, 0, &size, TrackTimeToMediaTime(time, track),
                                        nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr);
    // An unreadable sample still makes a chapter, with no name rather than the previous one's.
    chapters.emplace_front(timeScale, time, duration,
                           status == noErr ? NameFromSample(sample, size) : std::string());
    const TimeValue previous = time;
    GetTrackNextInterestingTime(track, nextTimeMediaSample, previous, fixed1, &time, &duration);
    if (time != -1 && time <= previous) break;  // a search that does not move on would never end
  }
  DisposeHandle(sample);
}

bool IsKept(const std::string& name, const MovieStruct& record) {
  return (record.chaptersToInclude.empty() || record.chaptersToInclude.count(name) != 0) &&
         record.chaptersToExclude.count(name) == 0;
}

}  // namespace

std::list<chapter> chapter::GetChapters(Movie movie) {
  std::list<chapter> chapters;
  if (movie == nullptr) return chapters;
  for (Track track : ChapterTracks(movie)) ReadChapterTrack(movie, track, chapters);
  chapters.sort();  // stable: equal starts keep the reverse of their reading order
  return chapters;
}

void SelectChapters(Movie movie, const MovieStruct& record) {
  const std::list<chapter> chapters = chapter::GetChapters(movie);
  if (record.listChapters) std::cout << "Chapter list for " << record.fileName << ":" << std::endl;
  std::list<chapter> dropped;
  for (const chapter& c : chapters) {
    const bool kept = IsKept(c.name, record);
    if (record.listChapters) std::cout << '\t' << (kept ? "* " : "  ") << c.name << std::endl;
    if (!kept) dropped.push_front(c);
  }
  for (const chapter& c : dropped) DeleteMovieSegment(movie, c.start, c.duration);
}
