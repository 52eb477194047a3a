#include "cli/report.h"

#include <cstring>
#include <limits>
#include <iostream>

std::int32_t errors = 0;

namespace {

const char* Leaf(const char* file) {
  if (file == nullptr) return "";
  const char* slash = std::strrchr(file, '/');
  return slash ? slash + 1 : file;
}

void PrintTail(const char* operation, OSErr status, int line, const char* file) {
  std::cerr << " in " << (operation ? operation : "") << " at line " << line << " of "
            << Leaf(file) << ": " << static_cast<int>(status) << std::endl;
}

// Saturates instead of wrapping; nothing reports two billion errors, but the count must not lie.
void Count() {
  if (errors < std::numeric_limits<std::int32_t>::max()) ++errors;
}

}  // namespace

void reportError(const char* operation, OSErr status, int line, const char* file) {
  std::cerr << "Error";
  PrintTail(operation, status, line, file);
  Count();
}

void reportErrorGetting(const std::string& fileName, const char* operation, OSErr status,
                        int line, const char* file) {
  std::cerr << "Error getting " << fileName;
  PrintTail(operation, status, line, file);
  Count();
}
