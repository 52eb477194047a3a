#include "alias_record.h"

#include <algorithm>

#include "../io/byte_reader.h"

namespace tvx {

namespace {

constexpr std::size_t kFixedPartSize = 150;
constexpr std::int16_t kTagParentName = 0;
constexpr std::int16_t kTagColonPath = 2;
constexpr std::int16_t kTagPosixPath = 18;
constexpr std::int16_t kTagEnd = -1;

// A Pascal string in a fixed field of 1 + capacity bytes.
std::string FixedPascal(const std::uint8_t* field, std::size_t capacity) {
  std::size_t length = std::min<std::size_t>(field[0], capacity);
  return std::string(reinterpret_cast<const char*>(field + 1), length);
}

std::vector<std::string> Split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= s.size()) {
    std::string::size_type end = s.find(separator, start);
    if (end == std::string::npos) end = s.size();
    if (end > start) parts.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "Volume:dir:file" without the volume, as components.
std::vector<std::string> ColonComponents(const AliasRecord& alias) {
  std::string rest = alias.colonPath;
  if (!alias.volumeName.empty() && rest.compare(0, alias.volumeName.size() + 1,
                                                alias.volumeName + ":") == 0)
    rest = rest.substr(alias.volumeName.size() + 1);
  else if (std::string::size_type colon = rest.find(':'); colon != std::string::npos)
    rest = rest.substr(colon + 1);
  else
    return {};
  return Split(rest, ':');
}

}  // namespace

bool ParseAliasRecord(const std::vector<std::uint8_t>& bytes, AliasRecord* out) {
  if (bytes.size() < kFixedPartSize) return false;
  ByteReader r(bytes.data(), bytes.size());
  std::uint16_t recordSize = 0;
  if (!r.Skip(4) || !r.Read(recordSize)) return false;
  AliasRecord a;
  a.volumeName = FixedPascal(bytes.data() + 10, 27);
  a.fileName = FixedPascal(bytes.data() + 50, 63);
  a.levelsFrom = std::int16_t((bytes[130] << 8) | bytes[131]);
  a.levelsTo = std::int16_t((bytes[132] << 8) | bytes[133]);

  // The tagged fields run to the record's own size when that is plausible.
  std::size_t end = bytes.size();
  if (recordSize >= kFixedPartSize && recordSize < end) end = recordSize;
  ByteReader tags(bytes.data() + kFixedPartSize, end - kFixedPartSize);
  while (tags.Remaining() >= 4) {
    std::int16_t tag = 0;
    std::uint16_t length = 0;
    if (!tags.Read(tag, length) || tag == kTagEnd) break;
    const std::uint8_t* data = nullptr;
    if (!tags.Bytes(length, data)) break;
    std::string value(reinterpret_cast<const char*>(data), length);
    if (tag == kTagParentName) a.parentName = value;
    if (tag == kTagColonPath) a.colonPath = value;
    if (tag == kTagPosixPath) a.posixPath = value;
    if (length % 2 != 0 && !tags.Skip(1)) break;
  }
  *out = std::move(a);
  return true;
}

std::vector<std::string> AliasPathComponents(const AliasRecord& alias) {
  if (!alias.posixPath.empty()) return Split(alias.posixPath, '/');
  if (!alias.colonPath.empty()) {
    std::vector<std::string> parts = ColonComponents(alias);
    if (!parts.empty()) return parts;
  }
  std::vector<std::string> parts;
  if (!alias.parentName.empty()) parts.push_back(alias.parentName);
  if (!alias.fileName.empty()) parts.push_back(alias.fileName);
  return parts;
}

std::string AliasAbsolutePath(const AliasRecord& alias) {
  if (!alias.posixPath.empty() && alias.posixPath[0] == '/') return alias.posixPath;
  if (alias.colonPath.empty()) return {};
  std::vector<std::string> parts = ColonComponents(alias);
  if (parts.empty()) return {};
  std::string path;
  for (const std::string& p : parts) path += "/" + p;
  return path;
}

}  // namespace tvx
