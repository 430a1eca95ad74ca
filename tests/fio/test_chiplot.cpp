#include <gtest/gtest.h>

#include "detector_fixtures.h"

using namespace zyt_test;

namespace {

class Chiplot : public ReaderForm
{
};

std::vector<std::pair<double, double>> points(int n)
{
    std::vector<std::pair<double, double>> p;
    for (int k = 1; k <= n; ++k)
        p.emplace_back(0.05 * k + 10.0, 1000.0 - 3.5 * k * k);
    return p;
}

} // namespace

TEST_F(Chiplot, AGraphIsOneRowWithItsXValuesOnTheAxis)
{
    const std::string path = write("scan.chi", chiplot_file(points(10)));
    FioImage image = read_as(path, "CHIPLOT");
    EXPECT_EQ(image.xnumdat, 10);
    EXPECT_EQ(image.ynumdat, 1);
    EXPECT_EQ(image.overload_value, 1.7e38f);
    EXPECT_EQ(image.y_axis[0], 0.5f);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_FLOAT_EQ(image.x_axis[k - 1], static_cast<float>(0.05 * k + 10.0));
        EXPECT_FLOAT_EQ(image.view()(k, 1), static_cast<float>(1000.0 - 3.5 * k * k));
    }
    // The file names its axes; the title stays the file's name.
    EXPECT_EQ(image.xlabel, "2-Theta Angle (Degrees)");
    EXPECT_EQ(image.ylabel, "Rows");
    EXPECT_EQ(image.zlabel, "Intensity");
    EXPECT_EQ(image.title, "scan.chi");
    // Points 3 to 6 only.
    FioRequest request;
    request.region_given = true;
    request.region = {3, 1, 6, 1, 1, 1};
    FioImage part = read_as(path, "CHIPLOT", request);
    EXPECT_EQ(part.xnumdat, 4);
    EXPECT_FLOAT_EQ(part.x_axis[0], 10.15f);
    EXPECT_FLOAT_EQ(part.view()(4, 1), static_cast<float>(1000.0 - 3.5 * 36));
}

TEST_F(Chiplot, MoreCoordinatesThanTheArrayKeepsTheFirstOnes)
{
    ConsoleCapture console;
    with_variances = true;
    read_form(FIO_IN_CHIPLOT, true, write("long.chi", chiplot_file(points(12))), 5, 2);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(xnum, 5);
    EXPECT_EQ(ynum, 1);
    EXPECT_FLOAT_EQ(x_axis[4], 10.25f);
    EXPECT_EQ(variances(5, 1), view(5, 1));
    EXPECT_EQ(view(1, 2), SENTINEL); // one row only
    EXPECT_TRUE(sentinels_intact());
    EXPECT_NE(console.text().find("WARNING: The image has 12 * 1 pixels, the program array 5 * 2: "
                                  "only part of it is input\n"),
              std::string::npos);
}

TEST_F(Chiplot, MissingAndBrokenItemsKeepWhatCameBefore)
{
    {
        ConsoleCapture console;
        int r = -9;
        FioImage image = read_image(write("short.chi", chiplot_file(points(4), 9)), r);
        ASSERT_EQ(r, 0);
        EXPECT_EQ(image.xnumdat, 4);
        EXPECT_NE(console.text().find("WARNING: Data items missing from file\n"
                                      "WARNING: Only        4 X/Y coordinates have been found\n"),
                  std::string::npos)
            << console.text();
    }
    std::string text = chiplot_file(points(6));
    const std::size_t fifth = text.find(" 1.0250000E+01");
    ASSERT_NE(fifth, std::string::npos);
    std::string bad_x = text;
    bad_x.replace(fifth, 14, "  ten.point.25");
    std::string bad_y = text;
    bad_y.replace(text.find('\n', fifth) - 14, 14, "             ");
    const std::pair<std::string, const char*> cases[] = {
        {bad_x, "WARNING: Problem inputting X-coordinate value\n"},
        {bad_y, "WARNING: Problem inputting Y-coordinate value\n"}};
    for (const auto& [bytes, warning] : cases) {
        ConsoleCapture console;
        read_form(FIO_IN_CHIPLOT, true, write("bad.chi", bytes), 16, 1);
        EXPECT_EQ(retstat, 0);
        EXPECT_EQ(xnum, 4);
        EXPECT_NE(console.text().find(std::string(warning) +
                                      "WARNING: Only        4 X/Y coordinates have been found\n"),
                  std::string::npos)
            << console.text();
    }
}

TEST_F(Chiplot, NoCountNoGraph)
{
    const std::pair<std::string, const char*> cases[] = {
        {"title\nx\ny\nmany\n1 2\n", "WARNING: Error converting number of data points in file\n"
                                     "Error reading in the number of data points\n"},
        {"title\nx\ny\n0\n", "WARNING: Error converting number of data points in file\n"},
        {"title\nx\n", "WARNING: Problem reading from input file\n"},
        {"title\nx\ny\n3\n", "WARNING: Only        0 X/Y coordinates have been found\n"}};
    for (const auto& [bytes, warning] : cases) {
        SCOPED_TRACE(bytes);
        expect_refused(write("none.chi", bytes), {warning});
    }
    ConsoleCapture console;
    read_form(FIO_IN_CHIPLOT, true, dir.file("absent.chi"), 16, 1);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.text().find("WARNING: Problem opening input file\n"), std::string::npos);
}
