// Builds the one output movie of a run from the loaded input movies.
#pragma once

#include <list>

#include "cli/function_type.h"
#include "cli/movie_struct.h"
#include "cli/run_options.h"

/// Loads every record in order; the first movie becomes the output movie and every later one is
/// added to it end to end (join, modify) or in parallel (stack).
Movie assembleOutputMovie(const std::list<MovieStruct>& records, const RunOptions& options,
                          functionType function);
