// Writes a self-contained movie: 'ftyp', then the movie atom and one 'mdat' in the order asked
// for, with every sample the movie uses copied into the 'mdat'.
#pragma once

#include <memory>
#include <string>

#include "../MacTypes.h"
#include "../model/movie_model.h"
#include "media_copy.h"

namespace tvx {

struct FlattenOptions {
  bool movieFirst = true;     // 'moov' before 'mdat' (fast start)
  bool compress = false;      // moov{cmov{dcom 'zlib', cmvd}}
  double chunkSeconds = 0.5;  // interleaving granularity
  bool kernelCopy = true;     // copy_file_range where the kernel allows
};

/// Writes movie into destination (an absolute path) through a temporary file renamed over it
/// when complete; on failure an existing destination is left as it was. On success *written
/// (when given) receives the model of the new file.
OSErr FlattenMovieToFile(const Movie& movie, const std::string& destination,
                         const FlattenOptions& options, std::unique_ptr<Movie>* written,
                         CopyStats* stats = nullptr);

}  // namespace tvx
