#include "atom_header.h"

namespace tvx {

namespace {
std::uint64_t BigEndian(const std::uint8_t* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}
}  // namespace

OSErr DecodeAtomHeader(const std::uint8_t* p, std::size_t available, std::uint64_t remaining,
                       AtomHeader* out) {
  if (available < 8 || remaining < 8) return badPublicMovieAtom;
  AtomHeader h;
  h.size = BigEndian(p, 4);
  h.type = OSType(BigEndian(p + 4, 4));
  h.headerSize = 8;
  if (h.size == 1) {
    if (available < 16 || remaining < 16) return badPublicMovieAtom;
    h.size = BigEndian(p + 8, 8);
    h.headerSize = 16;
  } else if (h.size == 0) {
    h.size = remaining;
  }
  if (h.type == FOUR_CHAR_CODE("uuid")) h.headerSize += 16;
  if (h.size < h.headerSize || h.size > remaining) return badPublicMovieAtom;
  *out = h;
  return noErr;
}

OSErr ReadChildAtom(ByteReader& container, AtomHeader* header, ByteReader* payload,
                    ByteReader* whole) {
  const std::size_t remaining = container.Remaining();
  AtomHeader h;
  if (OSErr err = DecodeAtomHeader(container.Current(), remaining, remaining, &h)) return err;
  ByteReader atom;
  if (!container.Sub(std::size_t(h.size), atom)) return badPublicMovieAtom;
  const ByteReader body(atom.Data() + h.headerSize, std::size_t(h.size - h.headerSize));
  *header = h;
  if (payload) *payload = body;
  if (whole) *whole = atom;
  return noErr;
}

}  // namespace tvx
