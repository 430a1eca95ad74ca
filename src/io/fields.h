#pragma once
// Fixed-width fields of formatted output, right-justified; a value that does
// not fit is written as asterisks over the whole width. The console reports
// and the conversions of numbers to text both write them.

#include <string>

std::string io_fortran_i(long long value, int width);
std::string io_fortran_f(double value, int width, int decimals);
// Scientific form with one digit before the point (-1.234568E+05).
std::string io_fortran_e(double value, int width, int decimals);
