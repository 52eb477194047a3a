// The help text of each function, printed before the run ends on a bad command line.
#pragma once

#include <iostream>
#include <string>

#include "cli/function_type.h"

extern const char* const version_string;
extern const char* const date_string;

/// Writes the usage text of `function` to `out` (standard error in the tool) and flushes it.
void usage(std::string programPath, functionType function, std::string programName,
           std::ostream& out = std::cerr);
