#include "cli/numeric.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>

double GetFloat(std::string argument) {
  std::istringstream in(argument);
  in.imbue(std::locale::classic());
  if (argument.find('/') != std::string::npos) {
    // n, any one separator character, d: "3/4", "7 / 2", and "1.5/2" reads as 1 / 5.
    std::int32_t n = 0, d = 0;
    char separator = 0;
    if (!(in >> n) || !(in >> separator) || !(in >> d)) return 0.0;
    return static_cast<double>(n) / static_cast<double>(d);
  }
  double value = 0.0;
  // A failed read (no digits, or beyond the range of a double) counts as not a number.
  if (!(in >> value)) return 0.0;
  return value;
}

Fixed GetFixed(std::string argument) {
  double scaled = std::rint(GetFloat(argument) * 65536.0);
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return std::numeric_limits<Fixed>::max();
  if (scaled <= -2147483648.0) return std::numeric_limits<Fixed>::min();
  return static_cast<Fixed>(scaled);
}

Fixed GetFixedAbout(const std::vector<std::string>& args, std::size_t& cursor, Fixed& aboutX,
                    Fixed& aboutY) {
  aboutX = 0;
  aboutY = 0;
  if (cursor + 1 >= args.size()) return 0;
  ++cursor;
  Fixed value = GetFixed(args[cursor]);
  // An incomplete tail is left where it is; the parser then meets "-about" as an option.
  if (cursor + 3 < args.size() && args[cursor + 1] == "-about") {
    aboutX = GetFixed(args[cursor + 2]);
    aboutY = GetFixed(args[cursor + 3]);
    cursor += 3;
  }
  return value;
}
