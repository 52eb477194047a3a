#include "compressed_movie.h"

#include <zlib.h>

#include <algorithm>

#include "../io/atom_header.h"

namespace tvx {

namespace {
constexpr OSType kDcom = FOUR_CHAR_CODE("dcom");
constexpr OSType kCmvd = FOUR_CHAR_CODE("cmvd");
constexpr OSType kZlib = FOUR_CHAR_CODE("zlib");
}  // namespace

OSErr InflateCompressedMovie(ByteReader cmov, std::vector<std::uint8_t>* out) {
  OSType compressor = 0;
  bool haveDcom = false, haveCmvd = false;
  ByteReader data;
  OSErr err = ForEachChildAtom(cmov, 0, [&](const AtomHeader& h, ByteReader payload,
                                            ByteReader) -> OSErr {
    if (h.type == kDcom && !haveDcom) {
      haveDcom = true;
      if (!payload.Read(compressor)) return badPublicMovieAtom;
    } else if (h.type == kCmvd && !haveCmvd) {
      haveCmvd = true;
      data = payload;
    }
    return noErr;
  });
  if (err) return err;
  if (!haveDcom || !haveCmvd) return badPublicMovieAtom;
  if (compressor != kZlib) return featureUnsupported;

  std::uint32_t declared = 0;
  if (!data.Read(declared)) return badPublicMovieAtom;
  const std::uint64_t compressed = data.Remaining();
  if (declared < 8 || declared > compressed * kMaxInflateRatio || declared > kMaxInflatedMovieSize)
    return badPublicMovieAtom;

  out->assign(declared, 0);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return memFullErr;
  z.next_in = const_cast<Bytef*>(data.Current());
  z.next_out = out->data();
  z.avail_out = declared;
  std::uint64_t left = compressed;
  int status = Z_OK;
  while (status == Z_OK) {
    if (z.avail_in == 0) {
      if (left == 0) break;  // the stream is cut short
      z.avail_in = uInt(std::min<std::uint64_t>(left, 1u << 30));
      left -= z.avail_in;
    }
    status = inflate(&z, Z_NO_FLUSH);
    if (status == Z_BUF_ERROR && z.avail_out == 0) break;  // longer than declared
  }
  const std::uint64_t produced = z.total_out;
  inflateEnd(&z);
  if (status != Z_STREAM_END) return badPublicMovieAtom;
  out->resize(produced);
  return noErr;
}

}  // namespace tvx
