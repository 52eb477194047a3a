#include "arena.h"

#include <vector>

namespace tvx {
namespace {
std::vector<std::unique_ptr<Movie>>& Arena() {
  static std::vector<std::unique_ptr<Movie>> movies;
  return movies;
}
}  // namespace

Movie* AdoptMovie(std::unique_ptr<Movie> movie) {
  Arena().push_back(std::move(movie));
  return Arena().back().get();
}
}  // namespace tvx
