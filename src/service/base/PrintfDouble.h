#pragma once
// A double as the Microsoft runtime's printf prints it with "%.16g" (or "%.17g"), without going
// through printf: the value-tree writer prints many doubles and the runtime's call is slow.

#include <string>

namespace tessel {

// 16 significant digits rounded to nearest, a value exactly halfway rounded away from zero;
// trailing zeros dropped; the exponent form for exponents below -4 and from 16 on, with a sign
// and at least three digits ("1e+020", "2.5e-005"). Finite values only: infinities and NaN are
// the caller's to handle.
void appendPrintfG16(std::wstring& io_text, double value);
// As appendPrintfG16, or as "%.17g" when the 16-digit text would not read back as a finite
// number of the same value (near the largest double it reads back as infinity), with the
// exponent form from 1e16 on as the 16-digit text has it: "%.17g" writes 3.0000000000000004e16
// as 30000000000000004, an integer's text, where this writes 3.0000000000000004e+016. So the
// text always reads back as a double of the same value.
void appendRoundTripDouble(std::wstring& io_text, double value);

} // namespace tessel
