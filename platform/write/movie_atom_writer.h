// Serialises a movie into a 'moov' atom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../MacTypes.h"
#include "../model/movie_model.h"

namespace tvx {

struct MovieAtomOptions {
  /// Absolute path of the file the atom is written into: data references that resolve to it are
  /// written as self references, every other resolved one as an alias record relative to it.
  std::string outputPath;
  bool compress = false;  // moov{cmov{dcom 'zlib', cmvd}}
  bool iso = false;       // MPEG-4 flavour: ISO boxes only
};

/// The whole 'moov' atom (header included). Track IDs are renumbered 1..n, stco or co64 chosen
/// per track from its largest chunk offset.
OSErr BuildMovieAtom(const Movie& movie, const MovieAtomOptions& options,
                     std::vector<std::uint8_t>* out);

}  // namespace tvx
