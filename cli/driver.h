// The run: choose the function, parse, assemble, write, close with a note and a status.
#pragma once

#include <string>

#include "cli/function_type.h"

/// The function that a program name selects; exact and case-sensitive.
functionType FunctionForProgramName(const std::string& programName);

/// The "quiet" preference of the suite's domain; absent, invalid or false all give false.
bool GetQuiet();

/// The maker's support address printed in the closing note.
const char* SupportAddress();

/// The whole run; returns the exit status.
int RunProgram(int argc, char** argv);
