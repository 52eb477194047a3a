// Big-endian serialisation into a growing byte buffer, with nested boxes whose 32-bit size is
// patched when the box ends (QuickTime File Format / ISO/IEC 14496-12 box header).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "../MacTypes.h"

namespace tvx {

/// Stores v big-endian at p; the caller has made room (ByteWriter::Extend).
inline void StoreBigEndian32(std::uint8_t* p, std::uint32_t v) {
  v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

inline void StoreBigEndian64(std::uint8_t* p, std::uint64_t v) {
  v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(std::vector<std::uint8_t>* out) : out_(out) {}
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  void U8(std::uint8_t v) { out_->push_back(v); }
  void U16(std::uint16_t v);
  void U24(std::uint32_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  /// count 32-bit values in a row (sample size tables).
  void U32Array(const std::uint32_t* values, std::size_t count);
  /// Makes room for bytes more without reallocating; grows at least geometrically, so that a
  /// reserve per track does not copy the whole buffer per track.
  void Reserve(std::size_t bytes);
  /// Appends n bytes and returns where they start, for tables stored in bulk; valid until the
  /// next write.
  std::uint8_t* Extend(std::size_t n);
  void FourCC(OSType v) { U32(v); }
  void Bytes(const void* data, std::size_t size);
  void Bytes(const std::vector<std::uint8_t>& bytes) { Bytes(bytes.data(), bytes.size()); }
  void Zeros(std::size_t count) { out_->insert(out_->end(), count, 0); }
  /// A Pascal string (length byte, then at most 255 bytes).
  void PascalString(std::string_view s);
  /// Version and flags of a full box.
  void VersionFlags(std::uint8_t version, std::uint32_t flags) { U32(std::uint32_t(version) << 24 | (flags & 0xFFFFFF)); }

  /// Starts a box: writes a placeholder size and the type; returns the box's start for EndBox.
  std::size_t BeginBox(OSType type);
  /// Patches the size of the box started at start to cover everything written since.
  void EndBox(std::size_t start);

  void PatchU16(std::size_t at, std::uint16_t v);
  void PatchU32(std::size_t at, std::uint32_t v);
  std::size_t size() const { return out_->size(); }
  std::vector<std::uint8_t>& bytes() { return *out_; }

 private:
  std::vector<std::uint8_t> own_;
  std::vector<std::uint8_t>* out_ = &own_;
};

}  // namespace tvx
