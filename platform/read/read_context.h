// What the movie parser carries between atoms: the file's flavour, references to resolve once
// every track is known, and the defaults of fragmented files.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "../MacTypes.h"
#include "../model/movie_model.h"

namespace tvx {

/// A 'tref' entry as read: track IDs, turned into Track pointers after all tracks are read.
struct PendingReference {
  Track* from = nullptr;
  OSType type = 0;
  std::vector<std::uint32_t> ids;
};

/// 'trex' defaults of a fragmented file (ISO/IEC 14496-12 8.8.3).
struct TrackExtends {
  std::uint32_t trackId = 0;
  std::uint32_t descIndex = 1;
  std::uint32_t duration = 0;
  std::uint32_t size = 0;
  std::uint32_t flags = 0;
};

struct ReadContext {
  bool quickTimeFile = true;  // no 'ftyp', or one with the 'qt  ' brand
  int depth = 0;              // nesting of the atom being read
  std::vector<PendingReference> references;
  std::vector<Track*> withoutEditList;  // get one edit over their media once it is complete
  std::vector<std::pair<Track*, std::int64_t>> openEnded;  // fragmented: edit from a media time
  std::vector<TrackExtends> trackExtends;
  std::vector<std::pair<const Track*, std::uint64_t>> fragmentDurations;  // media time so far
};

}  // namespace tvx
