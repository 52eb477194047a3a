// What a CFURLRef or CFStringRef points at. Engine code reads the text through these helpers;
// the tool sees only the opaque pointer.
#pragma once

#include <string>

#include "../CoreFoundation.h"

struct CFObjectRecord {
  enum class Kind { url, string };
  Kind kind;
  std::string text;       // url: the path as given (bytes); string: UTF-8 bytes
  std::string absolute;   // url: the path made absolute against the cwd at creation
  bool constant = false;  // CFSTR strings live for the whole process; CFRelease ignores them
};

namespace tvx {
/// The UTF-8 bytes of a string object, or nullptr when cf is not a string.
const std::string* CFStringText(CFStringRef cf);
/// The path held by a URL object, or nullptr when cf is not a URL.
const std::string* CFURLPath(CFURLRef cf);
}  // namespace tvx
