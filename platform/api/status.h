// The last status of the movie toolbox, for GetMoviesError().
#pragma once

#include "../MacTypes.h"

namespace tvx {
/// Records status as the result of the current call and returns it.
OSErr SetMoviesError(OSErr status);
}  // namespace tvx
