#include "status.h"

#include "../Movies.h"

namespace {
OSErr lastStatus = noErr;
}

namespace tvx {
OSErr SetMoviesError(OSErr status) {
  lastStatus = status;
  return status;
}
}  // namespace tvx

OSErr EnterMovies() { return tvx::SetMoviesError(noErr); }

OSErr GetMoviesError() { return lastStatus; }
