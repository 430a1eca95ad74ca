#include <gtest/gtest.h>

#include <filesystem>

#include "detector_fixtures.h"

using namespace zyt_test;

namespace {

float bsl_overload = 0.0f;

// FIO_IN_BSL in the form of the other readers; its overload value kept aside.
void bsl_form(bool gui, bool& variances_exist, std::string& name, int& retstat, int& xnum,
              int& ynum, std::span<float> x_axis, std::span<float> y_axis, const ImageView& data,
              const ImageView& variances, std::string& title, std::string& xlabel,
              std::string& ylabel, std::string& zlabel, int& status)
{
    FIO_IN_BSL(gui, variances_exist, name, retstat, xnum, ynum, x_axis, y_axis, data, variances,
               title, xlabel, ylabel, zlabel, bsl_overload, status);
}

class Bsl : public ReaderForm
{
  protected:
    // A header file naming its sets' binary files, written beside it.
    std::string write_set(const std::string& header, const std::vector<BslSet>& sets)
    {
        for (const BslSet& s : sets)
            write(s.file, bsl_binary(s));
        return write(header, bsl_header(sets));
    }

    // Frame n of a set as the reader must give it: first stored line = row 1.
    static std::vector<float> as_stored(const BslSet& s, int n)
    {
        std::vector<float> v;
        for (int l = 1; l <= s.ny; ++l)
            for (int c = 1; c <= s.nx; ++c)
                v.push_back(static_cast<float>(pattern(bsl_kind(s), c, l, n)));
        return v;
    }
};

const BslSet real_big{6, 4, 3, 0, 0, "A01000.001"};
const BslSet short_little{5, 3, 1, 1, 1, "A01000.002"};

} // namespace

TEST_F(Bsl, TheFirstFrameOfTheFirstSetWithoutQuestions)
{
    const std::string header = write_set("A01000.bsl", {real_big, short_little});
    ConsoleCapture console;
    FioImage image = read_as(header, "BSL/OTOKO");
    EXPECT_EQ(image.xnumdat, 6);
    EXPECT_EQ(image.ynumdat, 4);
    EXPECT_TRUE(same_pixels(pixels_of(image), as_stored(real_big, 1), 6));
    EXPECT_EQ(image.overload_value, 1.7e38f);
    EXPECT_EQ(image.y_axis[3], 3.5f);
    const std::vector<std::string> lines = console.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "INFO: Data-set (\"memory\") 1 contains  3 image(s) of      6 x      4 pixels");
    EXPECT_EQ(lines[1],
              "INFO: Data-set (\"memory\") 2 contains  1 image(s) of      5 x      3 pixels");
    // The caller's image number is a frame of the first set.
    FioRequest request;
    request.image = 3;
    FioImage third = read_as(header, "BSL/OTOKO", request);
    EXPECT_TRUE(same_pixels(pixels_of(third), as_stored(real_big, 3), 6));
}

TEST_F(Bsl, DataSetAndFrameChosenInBothByteOrders)
{
    const std::string header = write_set("A01000.bsl", {real_big, short_little});
    {
        TypedInput typed(header + "\n1\n3\n");
        read_form(bsl_form, false, "", 16, 16);
    }
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(file_name, header);
    EXPECT_EQ(pixels(), as_stored(real_big, 3)); // big-endian reals
    {
        TypedInput typed(header + "\n2\n"); // one frame: no frame question
        read_form(bsl_form, false, "", 16, 16);
    }
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels(), as_stored(short_little, 1)); // little-endian 16-bit
    EXPECT_EQ(bsl_overload, 65534.5f);
    EXPECT_EQ(zlabel, "Intensity");
    // The same set with a big-endian binary file.
    BslSet big = short_little;
    big.order = 0;
    big.file = "B.001";
    with_variances = true;
    read_form(bsl_form, true, write_set("B.bsl", {big}), 16, 16);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels(), as_stored(big, 1));
    EXPECT_EQ(variances(5, 3), view(5, 3));
    EXPECT_TRUE(sentinels_intact());
}

TEST_F(Bsl, BinaryFilesNamedWithDirectoriesAndACutImage)
{
    std::filesystem::create_directories(dir.file("data"));
    BslSet elsewhere = real_big;
    elsewhere.file = dir.file("data/frames.bin");
    write_file(elsewhere.file, bsl_binary(elsewhere));
    write("E.bsl", bsl_header({elsewhere}));
    TypedInput typed(dir.file("E.bsl") + "\n2\n");
    read_form(bsl_form, false, "", 4, 3);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(xnum, 4);
    EXPECT_EQ(ynum, 3);
    const std::vector<float> whole = as_stored(elsewhere, 2);
    for (int j = 1; j <= 3; ++j)
        for (int i = 1; i <= 4; ++i)
            ASSERT_EQ(view(i, j), whole[(j - 1) * 6 + i - 1]);
    EXPECT_TRUE(sentinels_intact());
    // A relative name with a directory is taken from the header file's directory.
    BslSet relative = short_little;
    relative.file = "data/relative.002";
    write(relative.file, bsl_binary(relative));
    int r = -9;
    FioImage image = read_image(write("R.bsl", bsl_header({relative})), r);
    ASSERT_EQ(r, 0);
    EXPECT_TRUE(same_pixels(pixels_of(image), as_stored(relative, 1), 5));
}

TEST_F(Bsl, WrongHeadersAndMissingDataSayWhat)
{
    struct Case
    {
        const char* name;
        std::string header;
        std::vector<std::string> lines;
    };
    const std::string titles = "t1\nt2\n";
    const Case cases[] = {
        {"words.bsl",
         titles + "nothing numeric here\nfile\n",
         {"WARNING: Could not input number of X-pixels\n", "(Maybe wrong file type ?)\n"}},
        {"x.bsl", titles + "5\nfile\n", {"WARNING: Could not input number of Y-pixels\n"}},
        {"y.bsl", titles + "5 3\nfile\n", {"WARNING: Could not input frame number\n"}},
        {"f.bsl", titles + "5 3 1\nfile\n", {"WARNING: Could not input file byte ordering\n"}},
        {"o.bsl", titles + "5 3 1 0\nfile\n", {"WARNING: Could not input data type\n"}},
        {"n.bsl",
         titles + "5 3 1 0 0 0 0 0 0 0\n",
         {"WARNING: Could not input header file information.\n"}},
        {"t.bsl", "only one title line\n", {"WARNING: Could not input header file information.\n"}},
        {"type.bsl",
         titles + "5 3 1 0 2 0 0 0 0 0\nA.001\n",
         {"WARNING: File data type not presently supported\n"}},
        {"size.bsl",
         titles + "5 -3 1 0 0 0 0 0 0 0\nA.001\n",
         {"WARNING: The data set has an impossible size: 5 x -3 pixels, 1 frame(s)\n"}},
        {"lost.bsl",
         titles + "5 3 1 0 0 0 0 0 0 0\nnot_there.001\n",
         {"WARNING: Error in opening binary image file:\n"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expect_refused(write(c.name, c.header), c.lines);
    }
    // A binary file shorter than the frame asked for.
    BslSet cut = real_big;
    cut.file = "cut.001";
    write(cut.file, bsl_binary(cut).substr(0, 6 * 4 * 4 * 2 + 5));
    write("cut.bsl", bsl_header({cut}));
    TypedInput typed(dir.file("cut.bsl") + "\n3\n");
    ConsoleCapture console;
    read_form(bsl_form, false, "", 16, 16);
    EXPECT_EQ(retstat, 5);
    EXPECT_NE(console.text().find("WARNING: The file holds 197 bytes, but the layout needs 288 "
                                  "(the binary file is cut short"),
              std::string::npos)
        << console.text();
    // A header file that is not there.
    read_form(bsl_form, true, dir.file("none.bsl"), 16, 16);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.text().find("WARNING: The entered file could not be opened (probably it "
                                  "doesn't exist)\n"),
              std::string::npos);
}
