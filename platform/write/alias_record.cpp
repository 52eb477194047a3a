#include "alias_record.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>

#include "../io/byte_writer.h"
#include "mac_time.h"

namespace tvx {
namespace {

constexpr char kVolumeName[] = "/";

// Longest prefix of s that fits max bytes without splitting a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view s, std::size_t max) {
  if (s.size() <= max) return s;
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

// A Pascal string in a fixed field of fieldSize bytes (length byte included), zero-padded.
void FixedPascal(ByteWriter& w, std::string_view s, std::size_t fieldSize) {
  std::string_view text = Utf8Prefix(s, fieldSize - 1);
  w.U8(std::uint8_t(text.size()));
  w.Bytes(text.data(), text.size());
  w.Zeros(fieldSize - 1 - text.size());
}

void Tag(ByteWriter& w, std::int16_t tag, std::string_view value) {
  w.U16(std::uint16_t(tag));
  w.U16(std::uint16_t(value.size()));
  w.Bytes(value.data(), value.size());
  if (value.size() % 2 != 0) w.U8(0);
}

// Mac names cannot hold ':', the colon path's separator; the Finder shows a POSIX ':' as '/'.
std::string MacName(const std::string& posixName) {
  std::string name = posixName;
  std::replace(name.begin(), name.end(), ':', '/');
  return name;
}

std::uint32_t MacDateOf(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0 || st.st_mtime < 0) return 0;
  std::uint64_t t = std::uint64_t(st.st_mtime) + kMacEpochOffset;
  return t > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(t);
}

}  // namespace

std::vector<std::string> PathComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t slash = path.find('/', i);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(i, slash - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = slash + 1;
  }
  return parts;
}

AliasLevels LevelsBetween(const std::string& moviePath, const std::string& targetPath) {
  std::vector<std::string> movie = PathComponents(moviePath);
  std::vector<std::string> target = PathComponents(targetPath);
  std::size_t movieDirs = movie.empty() ? 0 : movie.size() - 1;
  std::size_t targetDirs = target.empty() ? 0 : target.size() - 1;
  std::size_t common = 0;
  while (common < movieDirs && common < targetDirs && movie[common] == target[common]) ++common;
  auto level = [](std::size_t n) { return std::uint16_t(std::min<std::size_t>(n + 1, 0xFFFF)); };
  return {level(movieDirs - common), level(targetDirs - common)};
}

OSErr BuildAliasRecord(const std::string& moviePath, const std::string& targetPath,
                       std::vector<std::uint8_t>* out) {
  std::vector<std::string> parts = PathComponents(targetPath);
  if (parts.empty()) return invalidDataRef;
  const std::string& fileName = parts.back();
  std::string folderName = parts.size() >= 2 ? parts[parts.size() - 2] : kVolumeName;
  std::string colonPath = kVolumeName;
  std::string posixPath;
  for (const std::string& part : parts) {
    colonPath += ':' + MacName(part);
    posixPath += '/' + part;
  }
  AliasLevels levels = LevelsBetween(moviePath, targetPath);

  std::vector<std::uint8_t> bytes;
  ByteWriter w(&bytes);
  w.U32(0);            // application's own type
  w.U16(0);            // record size, patched below
  w.U16(2);            // version
  w.U16(0);            // kind: file
  FixedPascal(w, kVolumeName, 28);
  w.U32(0);            // volume creation date: unknown
  w.U16(0x482B);       // volume signature 'H+'
  w.U16(0);            // volume type: fixed disk
  w.U32(0);            // parent folder ID: none on this file system
  FixedPascal(w, MacName(fileName), 64);
  w.U32(0);            // file ID
  w.U32(MacDateOf(targetPath));  // file creation date (the best we have: its modification date)
  w.U32(0);            // file type
  w.U32(0);            // creator
  w.U16(levels.from);
  w.U16(levels.to);
  w.U32(0);            // volume attributes
  w.U16(0);            // volume file system ID
  w.Zeros(10);         // reserved
  Tag(w, kAliasTagFolderName, MacName(folderName));
  Tag(w, kAliasTagColonPath, colonPath);
  Tag(w, kAliasTagPosixPath, posixPath);
  w.U16(std::uint16_t(kAliasTagEnd));
  w.U16(0);
  if (bytes.size() > 0xFFFF || colonPath.size() > 0xFFFF || posixPath.size() > 0xFFFF)
    return invalidDataRef;
  w.PatchU16(alias_layout::kRecordSize, std::uint16_t(bytes.size()));
  *out = std::move(bytes);
  return noErr;
}

}  // namespace tvx
