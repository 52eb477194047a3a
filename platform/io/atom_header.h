// Atom (box) headers and the walk over a container's children (QuickTime File Format, "Atoms";
// ISO/IEC 14496-12 4.2). Every child is clamped to its container, and nesting is capped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../MacTypes.h"
#include "byte_reader.h"

namespace tvx {

struct AtomHeader {
  OSType type = 0;
  std::uint64_t size = 0;        // the whole atom, header included
  std::uint32_t headerSize = 8;  // 16 with a 64-bit size; 16 more for 'uuid'
  std::uint64_t PayloadSize() const { return size - headerSize; }
};

/// Deeper nesting than any real movie uses is treated as malformed (a "depth bomb").
constexpr int kMaxAtomDepth = 16;

/// Decodes the header at p (available bytes readable there) of an atom that may extend over at
/// most `remaining` bytes: 32-bit size, 1 = 64-bit size follows, 0 = to the end of the container.
/// badPublicMovieAtom when the header is cut, the size is smaller than the header, or the atom
/// runs past `remaining`.
OSErr DecodeAtomHeader(const std::uint8_t* p, std::size_t available, std::uint64_t remaining,
                       AtomHeader* out);

/// Reads the next child of a container: its header, a reader over its payload, and a reader
/// over the whole atom (header included). The container skips the child.
OSErr ReadChildAtom(ByteReader& container, AtomHeader* header, ByteReader* payload,
                    ByteReader* whole);

/// Reads the version byte and 24-bit flags that start a full atom.
[[nodiscard]] inline bool ReadVersionAndFlags(ByteReader& r, std::uint8_t* version,
                                              std::uint32_t* flags) {
  std::uint32_t word = 0;
  if (!r.Read(word)) return false;
  *version = std::uint8_t(word >> 24);
  *flags = word & 0xFFFFFF;
  return true;
}

/// Calls visit(header, payload, whole) for each child in order and stops at the first status
/// other than noErr. Fewer than 8 bytes left at the end are padding and ignored.
template <typename Visit>
OSErr ForEachChildAtom(ByteReader container, int depth, Visit&& visit) {
  if (depth > kMaxAtomDepth) return badPublicMovieAtom;
  while (container.Remaining() >= 8) {
    AtomHeader header;
    ByteReader payload, whole;
    if (OSErr err = ReadChildAtom(container, &header, &payload, &whole)) return err;
    if (OSErr err = visit(header, payload, whole)) return err;
  }
  return noErr;
}

}  // namespace tvx
