#include "byte_writer.h"

#include <algorithm>
#include <cstring>

#include "huge_pages.h"

namespace tvx {

void ByteWriter::Reserve(std::size_t bytes) {
  const std::size_t needed = out_->size() + bytes;
  if (needed <= out_->capacity()) return;
  out_->reserve(std::max(needed, 2 * out_->capacity()));
  AdviseHugePages(out_->data(), out_->capacity(), Fill::kFront);
}

std::uint8_t* ByteWriter::Extend(std::size_t n) {
  const std::size_t at = out_->size();
  if (n > out_->capacity() - at) Reserve(n);
  out_->resize(at + n);
  return out_->data() + at;
}

void ByteWriter::U16(std::uint16_t v) {
  std::uint8_t* p = Extend(2);
  p[0] = std::uint8_t(v >> 8);
  p[1] = std::uint8_t(v);
}

void ByteWriter::U24(std::uint32_t v) {
  std::uint8_t* p = Extend(3);
  p[0] = std::uint8_t(v >> 16);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v);
}

void ByteWriter::U32(std::uint32_t v) { StoreBigEndian32(Extend(4), v); }

void ByteWriter::U32Array(const std::uint32_t* values, std::size_t count) {
  std::uint8_t* p = Extend(4 * count);
  for (std::size_t i = 0; i < count; ++i) StoreBigEndian32(p + 4 * i, values[i]);
}

void ByteWriter::U64(std::uint64_t v) { StoreBigEndian64(Extend(8), v); }

void ByteWriter::Bytes(const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  out_->insert(out_->end(), p, p + size);
}

void ByteWriter::PascalString(std::string_view s) {
  std::size_t n = s.size() > 255 ? 255 : s.size();
  U8(std::uint8_t(n));
  Bytes(s.data(), n);
}

std::size_t ByteWriter::BeginBox(OSType type) {
  std::size_t start = out_->size();
  U32(0);
  U32(type);
  return start;
}

void ByteWriter::EndBox(std::size_t start) { PatchU32(start, std::uint32_t(out_->size() - start)); }

void ByteWriter::PatchU16(std::size_t at, std::uint16_t v) {
  (*out_)[at] = std::uint8_t(v >> 8);
  (*out_)[at + 1] = std::uint8_t(v);
}

void ByteWriter::PatchU32(std::size_t at, std::uint32_t v) {
  (*out_)[at] = std::uint8_t(v >> 24);
  (*out_)[at + 1] = std::uint8_t(v >> 16);
  (*out_)[at + 2] = std::uint8_t(v >> 8);
  (*out_)[at + 3] = std::uint8_t(v);
}

}  // namespace tvx
