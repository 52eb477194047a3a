// The output stage: destination, notes and warnings, and the writer.
#pragma once

#include <list>
#include <string>

#include "cli/function_type.h"
#include "cli/movie_struct.h"
#include "cli/run_options.h"

/// Returns the run result: 0, or 4 when MPEG-4 output was asked for and is impossible.
int writeOutputMovie(Movie movie, const std::list<MovieStruct>& records,
                     const std::string& programName, RunOptions& options, functionType function);
