// The table of movie files opened with OpenMovieFile, by reference number.
#pragma once

#include <string>

#include "../MacTypes.h"

namespace tvx {
struct OpenMovieFileRecord {
  std::string path;   // absolute
  int fd = -1;
  bool writable = false;
};
/// The open file with that reference number, or null.
const OpenMovieFileRecord* LookupMovieFile(SInt16 refNum);
}  // namespace tvx
