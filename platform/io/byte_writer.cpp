#include "byte_writer.h"

#include <cstring>

namespace tvx {

void ByteWriter::U16(std::uint16_t v) {
  out_->push_back(std::uint8_t(v >> 8));
  out_->push_back(std::uint8_t(v));
}

void ByteWriter::U24(std::uint32_t v) {
  out_->push_back(std::uint8_t(v >> 16));
  out_->push_back(std::uint8_t(v >> 8));
  out_->push_back(std::uint8_t(v));
}

void ByteWriter::U32(std::uint32_t v) {
  std::size_t at = out_->size();
  out_->resize(at + 4);
  std::uint8_t* p = out_->data() + at;
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

void ByteWriter::U32Array(const std::uint32_t* values, std::size_t count) {
  std::size_t at = out_->size();
  out_->resize(at + 4 * count);
  std::uint8_t* p = out_->data() + at;
  for (std::size_t i = 0; i < count; ++i, p += 4) {
    std::uint32_t v = values[i];
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
  }
}

void ByteWriter::U64(std::uint64_t v) {
  U32(std::uint32_t(v >> 32));
  U32(std::uint32_t(v));
}

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
