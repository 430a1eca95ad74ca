// Typed answers reach the evaluator and the statement translation from the
// keyboard and from event scripts: whatever is typed must end with a value,
// an answer or a report, inside the limits of the work area and the store.
// The input is evaluated whole, then each of its lines is translated as an
// answer typed into the window, so that assignments feed later lines.

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "io/evaluate.h"
#include "io/status.h"
#include "io/translate.h"
#include "io/variables.h"

namespace {

void check_value(const IoValue& value)
{
    switch (value.type) {
    case IoType::integer:
    case IoType::logical:
        break;
    case IoType::real:
        if (!(value.real == value.real)) std::abort(); // no NaN escapes
        break;
    case IoType::character:
        if (value.text.size() > IO_EVAL_MAX_TEXT) std::abort();
        break;
    default:
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The reports go nowhere: the console is not what is being tested.
    static std::ostringstream sink;
    static std::streambuf* const console = std::cout.rdbuf(sink.rdbuf());
    (void)console;
    sink.str({});

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    int status = ST_GOOD_VALUE;
    IO_DEF_VARIABLES(status);

    IoValue value;
    int retstat = -1;
    IO_EVALUATE(input, value, retstat, status);
    if (status != ST_GOOD_VALUE) std::abort();
    if (retstat == IO_EVAL_GOOD)
        check_value(value);
    else if (retstat != IO_EVAL_BAD_SYNTAX && retstat != IO_EVAL_FAILED)
        std::abort();

    for (std::size_t begin = 0; begin <= input.size();) {
        std::size_t end = input.find('\n', begin);
        if (end == std::string_view::npos) end = input.size();
        const std::string answer =
            IO_TRANSLATE(input.substr(begin, end - begin), false, retstat, status);
        if (status != ST_GOOD_VALUE) std::abort();
        if (retstat != IO_TR_ANSWER && !answer.empty()) std::abort();
        begin = end + 1;
    }

    // The store's texts fill its pool exactly.
    std::size_t pool = 0;
    const int count = IO_INQ_VARIABLES_SIZE(pool);
    if (count < 0 || count > IO_VAR_MAX) std::abort();
    std::size_t texts = 0;
    for (int number = 1; number <= count; ++number) {
        std::string name;
        IO_INQ_VARNUM(number, name, value, status);
        if (status != ST_GOOD_VALUE || !io_variable_name(name)) std::abort();
        check_value(value);
        if (value.type == IoType::character) texts += value.text.size();
    }
    if (texts != pool) std::abort();
    return 0;
}
