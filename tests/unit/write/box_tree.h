// Test helper: walks written atoms, checking that every size matches what its parent holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace write_test {

struct Box {
  std::string type;
  std::size_t offset = 0;   // of the header
  std::size_t size = 0;
  std::size_t body = 0;     // offset of the payload
  std::vector<Box> children;

  const Box* Find(const std::string& path) const;   // "trak/mdia/mdhd"
  std::vector<const Box*> All(const std::string& type) const;
};

/// Parses the atoms in bytes[begin, end). Containers are walked; 'dref' and 'stsd' entries too.
/// Returns false (with the reason in error) when a size does not fit exactly.
bool ParseBoxes(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end,
                std::vector<Box>* out, std::string* error);

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at);
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at);
std::uint64_t U64(const std::vector<std::uint8_t>& b, std::size_t at);

}  // namespace write_test
