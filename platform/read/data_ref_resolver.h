// Finds the files that a movie's data references name.
#pragma once

#include <string>

#include "../model/movie_model.h"

namespace tvx {

/// Self references resolve to moviePath (absolute). With `resolve`, every other reference is
/// looked for first relative to the movie's folder (alias levels, relative URL), then by its
/// absolute path; without it, nothing is checked. False when a reference stays unresolved.
bool ResolveDataRefs(Movie* movie, const std::string& moviePath, bool resolve);

/// Decodes %XX escapes; malformed escapes are kept as they are.
std::string PercentDecode(const std::string& s);

/// Removes "." and "name/.." components of an absolute path.
std::string NormalizePath(const std::string& path);

}  // namespace tvx
