// Movies live in a process-wide arena and are never freed during a run.
#pragma once

#include <memory>

#include "../model/movie_model.h"

namespace tvx {
/// Takes ownership of movie until the process ends and returns it.
Movie* AdoptMovie(std::unique_ptr<Movie> movie);
}  // namespace tvx
