#pragma once
// Checked conversions and results shared by the evaluator's operators and
// functions (not for use outside the evaluator).

#include <string_view>

#include "io/evaluate.h"

namespace eval {

// Writes the failure with IO_EVAL_ERROR; false, for the caller's ok.
bool fail(std::string_view message, const IoValue& operand);
// The value as an INTEGER (or a REAL) result; an overflow is a failure
// reported with the operand.
bool integer_result(long long value, const IoValue& operand, IoValue& result);
bool real_result(double value, const IoValue& operand, IoValue& result);
// Truncation towards zero into the INTEGER range; false outside it.
bool truncated(double value, int& result);
// The operand as an INTEGER or REAL (a text that reads as a number converts);
// a failure is reported.
bool numeric(IoValue& v);
double real_of(const IoValue& v);
// An INTEGER becomes a REAL.
void promote(IoValue& v);
int compare_texts(std::string_view a, std::string_view b);

} // namespace eval
