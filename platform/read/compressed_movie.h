// Compressed movie atoms: moov { cmov { dcom 'zlib', cmvd { u32 size, zlib stream } } }
// (QuickTime File Format, "Compressed movie resources").
#pragma once

#include <cstdint>
#include <vector>

#include "../MacTypes.h"
#include "../io/byte_reader.h"

namespace tvx {

/// The declared size of the inflated movie atom may be at most this many times the compressed
/// bytes, and never more than kMaxInflatedMovieSize: a tiny file cannot ask for gigabytes.
constexpr std::uint64_t kMaxInflateRatio = 64;
constexpr std::uint64_t kMaxInflatedMovieSize = std::uint64_t(512) << 20;

/// Inflates a 'cmov' payload into the bytes of the movie atom it holds. featureUnsupported for a
/// compressor other than zlib; badPublicMovieAtom for a missing part, an implausible declared
/// size, or a stream that is corrupt, cut short or longer than declared.
OSErr InflateCompressedMovie(ByteReader cmov, std::vector<std::uint8_t>* out);

}  // namespace tvx
