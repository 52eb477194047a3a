#include "data_ref_table.h"

#include <map>
#include <string>

#include "../io/byte_writer.h"
#include "alias_record.h"

namespace tvx {
namespace {

constexpr OSType kAlis = FOUR_CHAR_CODE("alis");
constexpr OSType kUrl = FOUR_CHAR_CODE("url ");

std::vector<std::uint8_t> Entry(OSType type, std::uint32_t flags,
                                const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> bytes;
  ByteWriter w(&bytes);
  std::size_t box = w.BeginBox(type);
  w.U32(flags);
  w.Bytes(payload);
  w.EndBox(box);
  return bytes;
}

std::vector<std::uint8_t> SelfEntry(bool iso) { return Entry(iso ? kUrl : kAlis, 1, {}); }

// A file URL for an ISO 'url ' entry: a C string, with the bytes a URL cannot hold escaped.
std::vector<std::uint8_t> FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      url += char(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  std::vector<std::uint8_t> bytes(url.begin(), url.end());
  bytes.push_back(0);
  return bytes;
}

std::string Normalized(const std::string& path) {
  std::string joined;
  for (const std::string& part : PathComponents(path)) joined += '/' + part;
  return joined.empty() ? "/" : joined;
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) { return Normalized(a) == Normalized(b); }

OSErr PlanDataRefs(const Media& media, const MovieAtomOptions& options, WrittenDataRefs* out) {
  WrittenDataRefs plan;
  std::map<std::string, std::uint16_t> seen;  // identity -> new index
  const std::string output = options.outputPath.empty() ? "" : Normalized(options.outputPath);
  for (const DataRef& ref : media.dataRefs) {
    std::string key;
    std::vector<std::uint8_t> entry;
    bool self = ref.resolvedPath.empty() ? ref.kind == DataRef::Kind::Self
                                         : !output.empty() && Normalized(ref.resolvedPath) == output;
    if (self) {
      key = "self";
    } else if (!ref.resolvedPath.empty()) {
      key = "file:" + Normalized(ref.resolvedPath);
    } else {
      // Unresolved: written back as read; identical entries still merge.
      key = "raw:" + std::to_string(ref.type) + ":" + std::to_string(ref.flags) + ":" +
            std::string(ref.raw.begin(), ref.raw.end());
    }
    if (auto it = seen.find(key); it != seen.end()) {
      plan.indexMap.push_back(it->second);
      continue;
    }
    if (self) {
      entry = SelfEntry(options.iso);
    } else if (!ref.resolvedPath.empty()) {
      if (options.iso) {
        entry = Entry(kUrl, 0, FileUrl(Normalized(ref.resolvedPath)));
      } else {
        std::vector<std::uint8_t> alias;
        if (OSErr err = BuildAliasRecord(output, Normalized(ref.resolvedPath), &alias); err != noErr)
          return err;
        entry = Entry(kAlis, 0, alias);
      }
    } else {
      entry = Entry(ref.type, ref.flags, ref.raw);
    }
    if (plan.entries.size() >= 0xFFFF) return invalidDataRef;
    plan.entries.push_back(std::move(entry));
    auto index = std::uint16_t(plan.entries.size());
    seen.emplace(std::move(key), index);
    plan.indexMap.push_back(index);
  }
  if (plan.entries.empty()) plan.entries.push_back(SelfEntry(options.iso));
  *out = std::move(plan);
  return noErr;
}

}  // namespace tvx
