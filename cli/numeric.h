// Readers for the numeric values of options: integers, decimals and fractions n/d.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/MacTypes.h"

/// An integer, a decimal number or a fraction n/d; reading stops at the first character that
/// cannot continue the number. Anything that does not read as a number gives 0.
double GetFloat(std::string argument);

/// GetFloat in 16.16 fixed point, rounded to nearest (ties to even) and clamped to the 32-bit
/// range; a value that is not a number (0/0) gives 0.
Fixed GetFixed(std::string argument);

/// Reads the value after args[cursor] and an optional tail "-about" X Y. On return the cursor
/// stands on the last argument consumed. Without a complete tail the point is (0, 0) and the
/// cursor stays on the value. The caller makes sure the value itself exists.
Fixed GetFixedAbout(const std::vector<std::string>& args, std::size_t& cursor, Fixed& aboutX,
                    Fixed& aboutY);
