#include <gtest/gtest.h>

#include <cmath>

#include "io/convert.h"
#include "test_support.h"

using zyt_test::fresh_status;

namespace {

std::string rtoc(float value)
{
    int status = fresh_status();
    return IO_RTOC(value, status);
}

struct RealRead
{
    bool found;
    float value;
};

RealRead toktr(std::string_view text)
{
    int status = fresh_status();
    RealRead r{false, -7.0f};
    IO_TOKTR(text, r.found, r.value, status);
    return r;
}

struct IntRead
{
    bool found;
    int value;
};

IntRead tokti(std::string_view text)
{
    int status = fresh_status();
    IntRead r{false, -7};
    IO_TOKTI(text, r.found, r.value, status);
    return r;
}

} // namespace

TEST(Conversions, IntegersToText)
{
    int status = fresh_status();
    EXPECT_EQ(IO_ITOC(0, status), "0");
    EXPECT_EQ(IO_ITOC(-2147483647, status), "-2147483647");
    EXPECT_EQ(IO_ITOC(2147483647, status), "2147483647");
    EXPECT_EQ(IO_LTOC(true, status), ".TRUE.");
    EXPECT_EQ(IO_LTOC(false, status), ".FALSE.");
}

TEST(Conversions, RealLayoutPositiveBands)
{
    EXPECT_EQ(rtoc(0.0f), "0.0");
    EXPECT_EQ(rtoc(1.0e-30f), "1.000000E-30");
    EXPECT_EQ(rtoc(0.05f), "5.000000E-02");
    EXPECT_EQ(rtoc(0.0999998f), "9.999980E-02");
    EXPECT_EQ(rtoc(0.0999999f), "0.100000");
    EXPECT_EQ(rtoc(1.5f), "1.500000");
    EXPECT_EQ(rtoc(9.99998f), "9.999980");
    EXPECT_EQ(rtoc(9.99999f), "9.99999");
    EXPECT_EQ(rtoc(42.0f), "42.00000");
    EXPECT_EQ(rtoc(99.9998f), "99.99980");
    EXPECT_EQ(rtoc(99.9999f), "99.9999");
    EXPECT_EQ(rtoc(999.998f), "999.9980");
    EXPECT_EQ(rtoc(999.999f), "999.999");
    EXPECT_EQ(rtoc(9999.98f), "9999.980");
    EXPECT_EQ(rtoc(9999.99f), "9999.99");
    EXPECT_EQ(rtoc(99999.8f), "99999.80");
    EXPECT_EQ(rtoc(99999.9f), "9.999990E+04");
    EXPECT_EQ(rtoc(100000.0f), "1.000000E+05");
    EXPECT_EQ(rtoc(123456.0f), "1.234560E+05");
}

TEST(Conversions, RealLayoutNegativeBands)
{
    EXPECT_EQ(rtoc(-0.05f), "-5.000000E-02");
    EXPECT_EQ(rtoc(-0.0999f), "-9.990000E-02");
    EXPECT_EQ(rtoc(-0.1f), "-0.100000");
    EXPECT_EQ(rtoc(-9.999f), "-9.999000");
    EXPECT_EQ(rtoc(-10.0f), "-10.00000");
    EXPECT_EQ(rtoc(-42.0f), "-42.00000");
    EXPECT_EQ(rtoc(-99.99f), "-99.99000");
    EXPECT_EQ(rtoc(-100.0f), "-100.0000");
    EXPECT_EQ(rtoc(-999.99f), "-999.9900");
    EXPECT_EQ(rtoc(-1000.0f), "-1000.000");
    EXPECT_EQ(rtoc(-9999.99f), "-9999.990");
    EXPECT_EQ(rtoc(-10000.0f), "-10000.00");
    EXPECT_EQ(rtoc(-99999.9f), "-99999.90");
    EXPECT_EQ(rtoc(-100000.0f), "-1.000000E+05");
    EXPECT_EQ(rtoc(-123456.0f), "-1.234560E+05");
}

TEST(Conversions, TextToInteger)
{
    EXPECT_EQ(tokti("42").value, 42);
    EXPECT_EQ(tokti(" -42 ").value, -42);
    EXPECT_EQ(tokti("+7").value, 7);
    EXPECT_EQ(tokti("1 2").value, 12);
    EXPECT_EQ(tokti("-2147483648").value, -2147483648LL);
    for (const char* bad : {"", "   ", "12a", "1.0", "--1", "+", "2147483648", "99999999999"}) {
        const IntRead r = tokti(bad);
        EXPECT_FALSE(r.found) << bad;
        EXPECT_EQ(r.value, -7) << bad;
    }
}

TEST(Conversions, TextToReal)
{
    EXPECT_FLOAT_EQ(toktr("1.5*10^3").value, 1500.0f);
    EXPECT_FLOAT_EQ(toktr("2*10**2").value, 200.0f);
    EXPECT_FLOAT_EQ(toktr("1.5D3").value, 1500.0f);
    EXPECT_FLOAT_EQ(toktr("2.5e-3").value, 0.0025f);
    EXPECT_FLOAT_EQ(toktr("50%").value, 0.5f);
    EXPECT_FLOAT_EQ(toktr("PI").value, 3.1415926f);
    EXPECT_FLOAT_EQ(toktr("12").value, 12.0f);
    EXPECT_FLOAT_EQ(toktr("-.5").value, -0.5f);
    EXPECT_FLOAT_EQ(toktr("  7  ").value, 7.0f);
    EXPECT_TRUE(toktr("12").found);
    // Every character of a long token counts: nothing is cut before conversion.
    EXPECT_FLOAT_EQ(toktr("0.50000000000000000001e3").value, 500.0f);
    EXPECT_FLOAT_EQ(toktr("1.000000000000000000000000000001").value, 1.0f);
    EXPECT_FLOAT_EQ(toktr("000000000000000000000000000000000042").value, 42.0f);
    EXPECT_FALSE(toktr("1.0000000000000000000x").found);
    for (const char* bad : {"1e", "", "abc", "pi", "1.2.3", "1e5x", "%", "1e99", "--1"}) {
        const RealRead r = toktr(bad);
        EXPECT_FALSE(r.found) << bad;
        EXPECT_EQ(r.value, -7.0f) << bad;
    }
}

TEST(Conversions, TextToLogical)
{
    int status = fresh_status();
    auto toktl = [&](std::string_view text, bool& found) {
        bool value = false;
        found = false;
        IO_TOKTL(text, found, value, status);
        return value;
    };
    bool found = false;
    for (const char* yes : {"YES", "y", "t", "True", "1", ".true.", "oui", "ya", "\"YES\""}) {
        EXPECT_TRUE(toktl(yes, found)) << yes;
        EXPECT_TRUE(found) << yes;
    }
    for (const char* no : {"no", "N", "non", "f", "FALSE", ".FALSE.", "0", "nein", "\"no\""}) {
        EXPECT_FALSE(toktl(no, found)) << no;
        EXPECT_TRUE(found) << no;
    }
    toktl("maybe", found);
    EXPECT_FALSE(found);
    toktl("", found);
    EXPECT_FALSE(found);
}

TEST(Conversions, Hexadecimal)
{
    int status = fresh_status();
    EXPECT_EQ(IO_HEXTOI("7fffffff", status), 2147483647);
    EXPECT_EQ(IO_HEXTOI("80000001", status), -1);
    EXPECT_EQ(IO_HEXTOI("ffffffff", status), -2147483647);
    EXPECT_EQ(IO_HEXTOI("10", status), 16);
    EXPECT_EQ(IO_HEXTOI("8", status), 8); // the sign needs all eight digits
    EXPECT_EQ(IO_HEXTOI("1g", status), 16);
    EXPECT_EQ(IO_HEXTOI("123456789", status), 0x12345678);
    EXPECT_FLOAT_EQ(IO_HEXTOR("3f800000", status), 1.0f);
    EXPECT_FLOAT_EQ(IO_HEXTOR("c0490fdb", status), -3.14159274f);
}

TEST(Conversions, Tokens)
{
    int status = fresh_status();
    int count = 0;
    std::vector<std::string> tokens;
    IO_TOKENS("  a, b\t c,,d  ", 10, count, tokens, status);
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(count, 4);
    IO_TOKENS("a b c", 2, count, tokens, status);
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", "b"}));
    IO_TOKENS("", 3, count, tokens, status);
    EXPECT_EQ(count, 0);
    IO_TOKENS("a", 0, count, tokens, status);
    EXPECT_EQ(status, 10001);
}

TEST(Conversions, FixedWidthFields)
{
    EXPECT_EQ(io_fortran_i(123456, 6), "123456");
    EXPECT_EQ(io_fortran_i(1234567, 6), "******");
    EXPECT_EQ(io_fortran_i(-5, 2), "-5");
    EXPECT_EQ(io_fortran_i(-10, 2), "**");
    EXPECT_EQ(io_fortran_i(7, 6), "     7");
    EXPECT_EQ(io_fortran_f(2.0, 12, 5), "     2.00000");
    EXPECT_EQ(io_fortran_f(0.125, 11, 6), "   0.125000");
    EXPECT_EQ(io_fortran_f(2.5e-7, 11, 6), "   0.000000");
    EXPECT_EQ(io_fortran_f(1.0e12, 11, 6), "***********");
    EXPECT_EQ(io_fortran_f(-0.5, 8, 6), "-.500000");
    EXPECT_EQ(io_fortran_f(std::nan(""), 8, 2), "********");
    EXPECT_EQ(io_fortran_e(-123456.0, 13, 6), "-1.234560E+05");
}

TEST(Conversions, ValuesForLabels)
{
    int status = fresh_status();
    EXPECT_EQ(IO_VTOC(0.0f, 3, true, status), "0.0");
    EXPECT_EQ(IO_VTOC(1.5f, 3, true, status), "1.5");
    EXPECT_EQ(IO_VTOC(1.5f, 3, false, status), "1.50");
    EXPECT_EQ(IO_VTOC(-250.0f, 3, true, status), "-250.0");
    EXPECT_EQ(IO_VTOC(1.0e-5f, 3, false, status), "1.00E-05");
    EXPECT_EQ(IO_VTOC(1.0e-5f, 3, true, status), "1E-05");
    EXPECT_EQ(IO_VTOC(2.0e7f, 2, true, status), "2E+07");
}
