// Typed answers in the window: a variable assigned in one prompt is used in
// a later one, on a form driven by an event script.

#include <gtest/gtest.h>

#include "gs_test_support.h"
#include "io/variables.h"

using zyt_test::form_item;
using zyt_test::Graphics;

namespace {

class Answers : public Graphics
{
  protected:
    void SetUp() override
    {
        int s = ST_GOOD_VALUE;
        IO_DEF_VARIABLES(s);
    }
    void TearDown() override
    {
        int s = ST_GOOD_VALUE;
        IO_DEF_VARIABLES(s);
        Graphics::TearDown();
    }

    // The events that were not used: none, when the script ran to its end.
    void expect_script_used_up()
    {
        int event = 0;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 0, event, x, y, status);
        EXPECT_EQ(status, ST_ESCAPE_VALUE);
    }
};

} // namespace

TEST_F(Answers, AVariableAssignedInOneFieldIsUsedInLaterFields)
{
    open("click \"NOTE\"\nkey ClearLine\ntext \"W = 6 * 7  ! the answer\"\n"
         // The prompt stayed, showing the old text again: accept it unchanged.
         "click \"O.K.\"\n"
         "click \"COUNT\"\nkey ClearLine\ntext \"W\"\n"
         "click \"SIZE\"\nkey ClearLine\ntext \"R = W / 8.0\"\nkey ClearLine\ntext \"R\"\n"
         "click \"NAME\"\nkey ClearLine\ntext \"F = 'scan_' // 'a.tif'\"\n"
         "key ClearLine\ntext \"F\"\n"
         "click \"O.K.\"\n");
    std::vector<GsFormItem> items;
    items.push_back(form_item("NOTE", 4));
    items.back().text_value = "old text";
    items.push_back(form_item("COUNT", 1));
    items.back().range = true;
    items.back().int_min = 1;
    items.back().int_max = 100;
    items.back().int_value = 5;
    items.push_back(form_item("SIZE", 3));
    items.back().real_value = 1.0f;
    items.push_back(form_item("NAME", 4));
    const std::vector<std::string> title{"TYPED ANSWERS"};
    zyt_test::ConsoleCapture console;
    GS_FORM(1, 1, title, 1, 0, title, 9, 4, items, status);
    ASSERT_EQ(status, ST_GOOD_VALUE) << console.text();
    EXPECT_EQ(items[0].text_value, "old text");
    EXPECT_EQ(items[1].int_value, 42);
    EXPECT_FLOAT_EQ(items[2].real_value, 5.25f);
    EXPECT_EQ(items[3].text_value, "scan_a.tif");
    EXPECT_EQ(console.text(), "");
    expect_script_used_up();
}

TEST_F(Answers, AStatementThatFailsIsReportedAndAskedAgain)
{
    open("click \"COUNT\"\nkey ClearLine\ntext \"N = 1/0\"\n"
         "key ClearLine\ntext \"N = 3\"\nkey ClearLine\ntext \"N * 2\"\n"
         // The conversion warning, in the window too.
         "click \"O.K.\"\n"
         "key ClearLine\ntext \"N\"\nclick \"O.K.\"\n");
    std::vector<GsFormItem> items;
    items.push_back(form_item("COUNT", 1));
    items.back().int_value = 5;
    const std::vector<std::string> title{"TYPED ANSWERS"};
    zyt_test::ConsoleCapture console;
    GS_FORM(1, 1, title, 1, 0, title, 6, 1, items, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(items[0].int_value, 3);
    // Answers are not evaluated: "3 * 2" is no integer, and is refused.
    const std::string out = console.text();
    EXPECT_NE(out.find("Division by zero\nOperand type is INTEGER\nOperand value = 0\n"),
              std::string::npos);
    EXPECT_NE(out.find("WARNING: Input value: cannot convert to a integer number"),
              std::string::npos);
    expect_script_used_up();
}
