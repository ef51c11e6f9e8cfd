#pragma once
// Fast fixed-point number text, the same characters as printf's "%.Nf" in the C locale
// (correctly rounded), appended to a string. The exporters write millions of numbers.
#include <string>

namespace divuzo {

// Appends `value` with `decimals` digits after the point, like printf("%.*f", decimals, value).
void AppendFixed(std::string& out, double value, int decimals);
// Appends an integer in decimal, at least `width` digits with leading zeros (like "%0*d").
void AppendZeroPadded(std::string& out, long long value, int width);
// The same into a character buffer (room for width + 21 characters); returns the end.
char* WriteZeroPadded(char* out, long long value, int width);

} // namespace divuzo
