#include "box_tree.h"

#include <set>

namespace write_test {
namespace {

const std::set<std::string> kContainers = {"moov", "trak", "edts", "mdia", "minf", "dinf",
                                           "stbl", "udta", "tref", "cmov", "gmhd"};
// Full boxes whose children follow version/flags and an entry count.
const std::set<std::string> kEntryLists = {"dref", "stsd"};

}  // namespace

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint16_t(b.at(at) << 8 | b.at(at + 1));
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(U16(b, at)) << 16 | U16(b, at + 2);
}
std::uint64_t U64(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint64_t(U32(b, at)) << 32 | U32(b, at + 4);
}

bool ParseBoxes(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end,
                std::vector<Box>* out, std::string* error) {
  std::size_t at = begin;
  while (at < end) {
    if (end - at < 8) {
      *error = "stray bytes at " + std::to_string(at);
      return false;
    }
    Box box;
    box.offset = at;
    box.size = U32(bytes, at);
    box.type.assign(bytes.begin() + long(at) + 4, bytes.begin() + long(at) + 8);
    box.body = at + 8;
    if (box.size < 8 || box.size > end - at) {
      *error = "bad size of '" + box.type + "' at " + std::to_string(at);
      return false;
    }
    std::size_t boxEnd = at + box.size;
    if (kContainers.count(box.type) != 0) {
      if (!ParseBoxes(bytes, box.body, boxEnd, &box.children, error)) return false;
    } else if (kEntryLists.count(box.type) != 0) {
      if (box.size < 16) {
        *error = "short '" + box.type + "'";
        return false;
      }
      if (!ParseBoxes(bytes, box.body + 8, boxEnd, &box.children, error)) return false;
      if (box.children.size() != U32(bytes, box.body + 4)) {
        *error = "entry count of '" + box.type + "'";
        return false;
      }
    }
    out->push_back(std::move(box));
    at = boxEnd;
  }
  return true;
}

const Box* Box::Find(const std::string& path) const {
  std::string head = path.substr(0, path.find('/'));
  for (const Box& child : children) {
    if (child.type != head) continue;
    if (head.size() == path.size()) return &child;
    return child.Find(path.substr(head.size() + 1));
  }
  return nullptr;
}

std::vector<const Box*> Box::All(const std::string& type) const {
  std::vector<const Box*> found;
  for (const Box& child : children)
    if (child.type == type) found.push_back(&child);
  return found;
}

}  // namespace write_test
