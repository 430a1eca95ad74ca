#include <gtest/gtest.h>

#include <filesystem>

#include "detector_fixtures.h"

using namespace zyt_test;

namespace {

class Ccd : public ReaderForm
{
};

// The image of a format whose first stored line is the top of the picture:
// pixel (i, j) of the lower-left width by height is stored column i, line
// ny - j + 1.
std::vector<float> mirrored_in_y(char kind, int ny, int n, int width, int height)
{
    std::vector<float> v;
    for (int j = 1; j <= height; ++j)
        for (int i = 1; i <= width; ++i)
            v.push_back(static_cast<float>(pattern(kind, i, ny - j + 1, n)));
    return v;
}

} // namespace

TEST_F(Ccd, PrincetonEachDataTypeMirroredInY)
{
    const char* names[] = {"real", "integer4", "signed2", "unsigned2"};
    for (int type = 0; type <= 3; ++type) {
        SCOPED_TRACE(names[type]);
        const std::string path =
            write(std::string(names[type]) + ".spe", princeton_file(7, 5, 1, type));
        FioImage image = read_as(path, "PRINCETON CCD FORMAT");
        EXPECT_EQ(image.xnumdat, 7);
        EXPECT_EQ(image.ynumdat, 5);
        EXPECT_TRUE(
            same_pixels(pixels_of(image), mirrored_in_y(princeton_kind(type), 5, 1, 7, 5), 7));
        EXPECT_EQ(image.overload_value, 65534.5f);
        EXPECT_EQ(image.x_axis[6], 6.5f);
        EXPECT_EQ(image.y_axis[0], 0.5f);
        EXPECT_EQ(image.xlabel, "Columns");
        EXPECT_EQ(image.zlabel, "Intensity");
    }
    // Signed and unsigned 16-bit values apart: 0xFFFF is -1 or 65535.
    std::string bytes = princeton_header(1, 1, 1, 2) + stored(0xFFFF, 2, false);
    EXPECT_EQ(read_as(write("minus.spe", bytes), "PRINCETON CCD FORMAT").view()(1, 1), -1.0f);
    bytes = princeton_header(1, 1, 1, 3) + stored(0xFFFF, 2, false);
    EXPECT_EQ(read_as(write("plus.spe", bytes), "PRINCETON CCD FORMAT").view()(1, 1), 65535.0f);
}

TEST_F(Ccd, PrincetonFilesAsAnIndependentReaderReadsThem)
{
    // fabio's Princeton reader gives the first image as stored, top line first.
    for (int type : {2, 3}) {
        SCOPED_TRACE(type);
        const std::string path = write("frame.spe", princeton_file(9, 6, 2, type));
        const std::string out = dir.file("fabio.raw");
        const CommandResult r =
            run_command("/usr/bin/python3 -c \"import numpy; from fabio.speimage import SpeImage; "
                        "numpy.asarray(SpeImage().read('" +
                        path + "').data, dtype='<f4').tofile('" + out + "')\"");
        ASSERT_EQ(r.exit_status, 0) << r.output;
        const std::vector<float> top_first = read_reals(out);
        ASSERT_EQ(top_first.size(), 54u);
        std::vector<float> bottom_first;
        for (int row = 5; row >= 0; --row)
            bottom_first.insert(bottom_first.end(), top_first.begin() + 9 * row,
                                top_first.begin() + 9 * row + 9);
        int got = -9;
        FioImage image = read_image(path, got);
        ASSERT_EQ(got, 0);
        EXPECT_TRUE(same_pixels(pixels_of(image), bottom_first, 9));
    }
}

TEST_F(Ccd, TheImageOfASequenceIsAskedAndRangeChecked)
{
    const std::string path = write("three.spe", princeton_file(4, 3, 2, 3));
    {
        TypedInput typed(path + "\n3\n2\n");
        ConsoleCapture console;
        read_form(FIO_IN_PRINCETON, false, "", 8, 8);
        EXPECT_NE(console.text().find("INFO: Number of stored images = 2\n"), std::string::npos);
        EXPECT_NE(console.text().find("WARNING: Entered value is out of the acceptable range"),
                  std::string::npos);
    }
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(file_name, path);
    EXPECT_EQ(pixels(), mirrored_in_y('u', 3, 2, 4, 3));
    EXPECT_EQ(title, "given title");
    EXPECT_EQ(ylabel, "Rows");

    // A wrong name is asked again; an end of input is a cancel.
    {
        TypedInput typed(dir.file("missing.spe") + "\n");
        ConsoleCapture console;
        read_form(FIO_IN_PRINCETON, false, "", 8, 8);
        EXPECT_NE(console.text().find("Error in opening file, Please retype name"),
                  std::string::npos);
    }
    EXPECT_EQ(retstat, -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    {
        TypedInput typed(path + "\n");
        ConsoleCapture console;
        read_form(FIO_IN_PRINCETON, false, "", 8, 8);
    }
    EXPECT_EQ(retstat, -1); // the image number was not answered
}

TEST_F(Ccd, OlderPrincetonHeadersCountTheirImagesElsewhere)
{
    // No count at 1446: the count at 34, 16-bit unsigned values whatever the type says.
    std::string bytes = princeton_file(3, 2, 2, 3);
    put(bytes, 1446, 0, 4);
    put(bytes, 108, 0, 2);
    put(bytes, 34, 2, 2);
    TypedInput typed(write("old.spe", bytes) + "\n2\n");
    {
        ConsoleCapture console;
        read_form(FIO_IN_PRINCETON, false, "", 3, 2);
        EXPECT_NE(console.text().find("INFO: Number of stored images = 2\n"), std::string::npos);
        EXPECT_NE(console.text().find("INFO: Size of image = 3 * 2\n"), std::string::npos);
    }
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels(), mirrored_in_y('u', 2, 2, 3, 2));

    // -1 at 34: the total of lines at 664 divided by the lines of an image.
    put(bytes, 34, -1, 2);
    put(bytes, 664, 4, 4);
    TypedInput again(write("older.spe", bytes) + "\n1\n");
    ConsoleCapture console;
    read_form(FIO_IN_PRINCETON, false, "", 3, 2);
    EXPECT_NE(console.text().find("INFO: Number of stored images = 2\n"), std::string::npos);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(pixels(), mirrored_in_y('u', 2, 1, 3, 2));
}

TEST_F(Ccd, ImagesLargerThanTheArrayAreCutWithTheWarning)
{
    const std::string path = write("wide.spe", princeton_file(7, 5, 1, 2));
    with_variances = true;
    ConsoleCapture console;
    read_form(FIO_IN_PRINCETON, true, path, 4, 3);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(xnum, 4);
    EXPECT_EQ(ynum, 3);
    // The lower-left part of the picture: the last stored lines.
    EXPECT_EQ(pixels(), mirrored_in_y('s', 5, 1, 4, 3));
    EXPECT_TRUE(sentinels_intact());
    for (int j = 1; j <= 3; ++j)
        for (int i = 1; i <= 4; ++i)
            ASSERT_EQ(variances(i, j), view(i, j));
    EXPECT_NE(console.text().find("WARNING: The image has 7 * 5 pixels, the program array 4 * 3: "
                                  "only part of it is input\n"),
              std::string::npos);
}

TEST_F(Ccd, DamagedHeadersAndShortFilesAreRefusedWithAReason)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        const char* warning;
    };
    std::string no_width = princeton_file(3, 2, 1, 3);
    put(no_width, 42, 0, 2);
    std::string bad_type = princeton_file(3, 2, 1, 3);
    put(bad_type, 108, 9, 2);
    std::string no_images = princeton_file(3, 2, 1, 3);
    put(no_images, 1446, -4, 4);
    const Case cases[] = {
        {"stub.spe", std::string(100, 'x'), "WARNING: Problem reading in file header"},
        {"no_width.spe", no_width, "WARNING: The file header gives an impossible image: 0 * 2"},
        {"no_images.spe", no_images, "impossible image: 3 * 2 pixels, -4 image(s)"},
        {"bad_type.spe", bad_type,
         "WARNING: The image data in this file has been written using an unsupported\n"
         "data type. It cannot be input."},
        {"header_only.spe", princeton_header(3, 2, 1, 3),
         "WARNING: The file is shorter than one image of the size its header gives"},
        {"huge.pmi", photometrics_file(65535, 65535, 0, 1),
         "WARNING: The file is shorter than one image"},
        {"stub.pmi", std::string(171, '\0'), "WARNING: Problem reading in file header"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(write(c.name, c.bytes), {c.warning});
    }
    // More images declared than the file holds: those that are there are read.
    std::string cut = princeton_file(3, 2, 2, 3);
    put(cut, 1446, 5, 4);
    cut.resize(cut.size() - 1);
    ConsoleCapture console;
    TypedInput typed(write("cut.spe", cut) + "\n2\n");
    read_form(FIO_IN_PRINCETON, false, "", 3, 2);
    EXPECT_NE(console.text().find("WARNING: The header declares 5 images, but the file holds "
                                  "only 1\n"),
              std::string::npos);
    EXPECT_EQ(retstat, 0); // one image: nothing to ask
    EXPECT_EQ(pixels(), mirrored_in_y('u', 2, 1, 3, 2));
}

TEST_F(Ccd, PhotometricsImagesMirroredInY)
{
    const std::string path = write("two.pmi", photometrics_file(6, 4, 2));
    FioImage image = read_as(path, "PHOTOMETRICS CCD FORMAT");
    EXPECT_EQ(image.overload_value, 16383.5f);
    EXPECT_TRUE(same_pixels(pixels_of(image), mirrored_in_y('u', 4, 1, 6, 4), 6));
    // The second image on the terminal; a count of 0 means one image.
    TypedInput typed(path + "\n2\n");
    read_form(FIO_IN_PHOTOMETRICS, false, "", 6, 4);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels(), mirrored_in_y('u', 4, 2, 6, 4));
    FioImage one = read_as(write("one.pmi", photometrics_file(5, 3, 1, 0)),
                           "PHOTOMETRICS CCD FORMAT");
    EXPECT_TRUE(same_pixels(pixels_of(one), mirrored_in_y('u', 3, 1, 5, 3), 5));
}

TEST_F(Ccd, ARegionAndRebinOfAMirroredImage)
{
    const std::string path = write("region.spe", princeton_file(8, 6, 1, 3));
    FioRequest request;
    request.region_given = true;
    request.region = {3, 2, 6, 5, 2, 2};
    FioImage image = read_as(path, "PRINCETON CCD FORMAT", request);
    ASSERT_EQ(image.xnumdat, 2);
    ASSERT_EQ(image.ynumdat, 2);
    // Output pixel (1, 1) sums image pixels 3..4 by 2..3, stored on lines 5 and 4.
    auto at = [](int i, int j) { return pattern('u', i, 6 - j + 1, 1); };
    EXPECT_EQ(image.view()(1, 1), at(3, 2) + at(4, 2) + at(3, 3) + at(4, 3));
    EXPECT_EQ(image.view()(2, 2), at(5, 4) + at(6, 4) + at(5, 5) + at(6, 5));
    EXPECT_EQ(image.x_axis[0], 3.0f); // the centre of file pixels 3 and 4
}

TEST_F(Ccd, TheImageGivenByTheCallerOrOnZytImagesCommandLine)
{
    const std::string path = write("two.spe", princeton_file(4, 3, 2, 2));
    FioRequest request;
    request.image = 2;
    FioImage second = read_as(path, "PRINCETON CCD FORMAT", request);
    EXPECT_TRUE(same_pixels(pixels_of(second), mirrored_in_y('s', 3, 2, 4, 3), 4));
    request.image = 3;
    ConsoleCapture console;
    int r = -9;
    read_image(path, r, request);
    EXPECT_EQ(r, 1);
    EXPECT_NE(console.text().find("WARNING: The file holds 2 image(s): image 3 cannot be input\n"),
              std::string::npos);

    const std::string out = dir.file("second.raw");
    const CommandResult tool = run_command(std::string(ZYT_IMAGE_BINARY) + " raw " + path + " " +
                                           out + " --image 2");
    ASSERT_EQ(tool.exit_status, 0) << tool.output;
    EXPECT_TRUE(same_pixels(read_reals(out), pixels_of(second), 4));
    const CommandResult refused = run_command(std::string(ZYT_IMAGE_BINARY) + " raw " + path +
                                              " " + dir.file("none.raw") + " --image 3");
    EXPECT_EQ(refused.exit_status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.raw")));
}
