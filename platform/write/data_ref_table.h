// A media's data references as they are written into 'dref': self for the file being written,
// alias records for other files, unresolved entries unchanged. Entries naming the same file are
// merged, so sample descriptions get new data reference indexes.
#pragma once

#include <cstdint>
#include <vector>

#include "../MacTypes.h"
#include "../model/movie_model.h"
#include "movie_atom_writer.h"

namespace tvx {

struct WrittenDataRefs {
  std::vector<std::vector<std::uint8_t>> entries;  // whole 'dref' entries
  std::vector<std::uint16_t> indexMap;             // old 1-based index - 1 -> new 1-based index
  /// The new index for a description's old one; unchanged when it named no reference.
  std::uint16_t Map(std::uint16_t oldIndex) const {
    return oldIndex >= 1 && oldIndex <= indexMap.size() ? indexMap[oldIndex - 1] : oldIndex;
  }
};

OSErr PlanDataRefs(const Media& media, const MovieAtomOptions& options, WrittenDataRefs* out);

/// True when the two absolute paths name the same place (after "." and ".." are applied).
bool SamePath(const std::string& a, const std::string& b);

}  // namespace tvx
