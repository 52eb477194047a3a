// Error reporting: one line per failing platform call, counted in `errors`.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MacTypes.h"

/// The number of errors reported so far in this run.
extern std::int32_t errors;

/// Writes "Error in <operation> at line <line> of <leaf of file>: <status>" to standard error,
/// flushes it, and counts the error.
void reportError(const char* operation, OSErr status, int line, const char* file);

/// The same line with "Error getting <fileName>" in place of the leading "Error".
void reportErrorGetting(const std::string& fileName, const char* operation, OSErr status, int line,
                        const char* file);

#define REPORT_ERROR(operation, status) reportError((operation), (status), __LINE__, __FILE__)
#define REPORT_ERROR_GETTING(fileName, operation, status) \
  reportErrorGetting((fileName), (operation), (status), __LINE__, __FILE__)
