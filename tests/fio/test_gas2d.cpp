#include <gtest/gtest.h>

#include <bit>

#include "detector_fixtures.h"

using namespace zyt_test;

namespace {

class Gas : public ReaderForm
{
  protected:
    // A data file and its "hm" file.
    std::string write_pair(const std::string& name, const std::string& hm, const std::string& data)
    {
        write(name + "hm", hm);
        return write(name, data);
    }

    // The lower-left width by height of image n: first stored line = row 1.
    static std::vector<float> as_stored(char kind, int n, int width, int height)
    {
        std::vector<float> v;
        for (int l = 1; l <= height; ++l)
            for (int c = 1; c <= width; ++c)
                v.push_back(static_cast<float>(pattern(kind, c, l, n)));
        return v;
    }
};

constexpr bool machine_big = std::endian::native == std::endian::big;

} // namespace

TEST_F(Gas, SixteenBitsWithAHeaderRecordFoundByTheDataSize)
{
    const std::string data =
        write_pair("run7", gas_hm(6, 5, 2, 16, false), gas_data('u', 6, 5, 2, false, true));
    int r = -9;
    ConsoleCapture console;
    FioImage image = read_image(data, r);
    ASSERT_EQ(r, 0) << console.text();
    EXPECT_EQ(image.format, "GAS 2-D DETECTOR (MIRL)");
    EXPECT_EQ(image.overload_value, 1.7e38f);
    EXPECT_TRUE(same_pixels(pixels_of(image), as_stored('u', 1, 6, 5), 6));
    // Named by its "hm" file, the data file is read all the same.
    FioImage by_hm = read_image(data + "hm", r);
    ASSERT_EQ(r, 0);
    EXPECT_EQ(by_hm.file_name, data);
    EXPECT_TRUE(same_pixels(pixels_of(by_hm), pixels_of(image), 6));
    // Without the header record the images start at the first byte.
    const std::string bare =
        write_pair("run8", gas_hm(6, 5, 2, 16, false), gas_data('u', 6, 5, 2, false, false));
    FioImage bare_image = read_image(bare, r);
    EXPECT_TRUE(same_pixels(pixels_of(bare_image), as_stored('u', 1, 6, 5), 6));
    // The second image of the sequence, given by the caller.
    FioRequest request;
    request.image = 2;
    FioImage second = read_image(bare, r, request);
    ASSERT_EQ(r, 0);
    EXPECT_TRUE(same_pixels(pixels_of(second), as_stored('u', 2, 6, 5), 6));
}

TEST_F(Gas, ThirtyTwoBitsSignedBigEndianAndTheImageAsked)
{
    // A big-endian "hm" file: the data is big-endian too, unless the user says otherwise.
    const std::string data =
        write_pair("run9", gas_hm(4, 3, 3, 32, true), gas_data('i', 4, 3, 3, true, false));
    // Header record NO, swap as offered, signed YES, image 3.
    TypedInput typed(data + "\nNO\n\nYES\n3\n");
    ConsoleCapture console;
    read_form(FIO_IN_GAS2D, false, "", 8, 8);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(retstat, 0) << console.text();
    EXPECT_NE(console.text().find("PERFORM BYTE SWAPPING [" +
                                  std::string(machine_big ? "NO" : "YES") + "]"),
              std::string::npos);
    EXPECT_EQ(pixels(), as_stored('i', 3, 4, 3));
    // Unsigned, the negative values read as large ones.
    TypedInput again(data + "\nNO\n\nNO\n3\n");
    read_form(FIO_IN_GAS2D, false, "", 8, 8);
    EXPECT_EQ(view(2, 1), static_cast<float>(4294967296.0 + pattern('i', 2, 1, 3)));
}

TEST_F(Gas, AWrongSwapAnswerIsTheUsersAndALittleEndianFileSwappedReadsWrong)
{
    const std::string data =
        write_pair("run10", gas_hm(3, 2, 1, 16, false), gas_data('u', 3, 2, 1, false, false));
    TypedInput typed(data + "\nNO\nYES\nNO\n");
    read_form(FIO_IN_GAS2D, false, "", 8, 8);
    ASSERT_EQ(retstat, 0);
    const auto swapped = [](double v) {
        const unsigned u = static_cast<unsigned>(v);
        return static_cast<float>(((u & 0xFF) << 8) | (u >> 8));
    };
    EXPECT_EQ(view(1, 1), swapped(pattern('u', 1, 1, 1)));
}

TEST_F(Gas, TooBigForTheArraysIsCutWithTheWarning)
{
    const std::string data =
        write_pair("big", gas_hm(7, 6, 1, 16, false), gas_data('u', 7, 6, 1, false, false));
    ConsoleCapture console;
    with_variances = true;
    read_form(FIO_IN_GAS2D, true, data, 5, 4);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(xnum, 5);
    EXPECT_EQ(ynum, 4);
    EXPECT_EQ(pixels(), as_stored('u', 1, 5, 4));
    EXPECT_EQ(variances(5, 4), view(5, 4));
    EXPECT_TRUE(sentinels_intact());
    EXPECT_NE(console.text().find("WARNING: The image has 7 * 6 pixels, the program array 5 * 4: "
                                  "only part of it is input\n"),
              std::string::npos);
}

TEST_F(Gas, UnknownHeadersAndShortDataAreRefused)
{
    struct Case
    {
        const char* name;
        std::string hm, data;
        const char* warning;
    };
    const Case cases[] = {{"a", gas_hm(3, 2, 1, 16, false, 7), std::string(12, '\0'),
                           "WARNING: Unknown image header file type (\"hm\" file)"},
                          {"b", "hm", std::string(12, '\0'),
                           "WARNING: Unknown image header file type (\"hm\" file)"},
                          {"c", gas_hm(3, 2, 1, 12, false), std::string(12, '\0'),
                           "WARNING: Unknown number of bits per pixel (data length)"},
                          {"d", gas_hm(3, 0, 1, 16, false), std::string(12, '\0'),
                           "WARNING: The \"hm\" file gives an impossible image: 3 x 0 pixels"},
                          {"e", gas_hm(2147483647, 2147483647, 2147483647, 32, false),
                           std::string(12, '\0'), "impossible image"},
                          {"f", gas_hm(3, 2, 2, 16, false), std::string(11, '\0'),
                           "WARNING: The file holds 11 bytes, but the layout needs 12 (the data file is cut short"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = write_pair(c.name, c.hm, c.data);
        ConsoleCapture console;
        int r = -9;
        FioRequest request;
        request.format = "GAS 2-D DETECTOR (MIRL)";
        read_image(data, r, request);
        EXPECT_EQ(r, 1);
        read_form(FIO_IN_GAS2D, true, data, 8, 8);
        EXPECT_GT(retstat, 0);
        EXPECT_NE(console.text().find(c.warning), std::string::npos) << console.text();
    }
    // A data file without its "hm" file, and an "hm" file without its data.
    write("lonely", std::string(12, '\0'));
    write("orphanhm", gas_hm(3, 2, 1, 16, false));
    ConsoleCapture console;
    read_form(FIO_IN_GAS2D, true, dir.file("lonely"), 8, 8);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.text().find("WARNING: Error in opening the \"hm\" header file"),
              std::string::npos);
    read_form(FIO_IN_GAS2D, true, dir.file("orphan"), 8, 8);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.text().find("WARNING: Error in opening histogram memory file\n"
                                  "PROBLEM WITH HISTOGRAM MEMORY FILE:\n" +
                                  dir.file("orphan") + "\nFILE NOT OPENED\n"),
              std::string::npos);
}
