#include <gtest/gtest.h>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class Bruker : public FioTest
{
protected:
    static std::string fixture(const std::string& name) { return mar_fixtures() + "/" + name; }

    int read_into(const std::string& path, int xmax, int ymax, bool with_variances = false)
    {
        data.assign(static_cast<std::size_t>(xmax) * ymax, -1.0f);
        variances.assign(data.size(), -1.0f);
        x_axis.assign(static_cast<std::size_t>(xmax), 0.0f);
        y_axis.assign(static_cast<std::size_t>(ymax), 0.0f);
        view = ImageView{data.data(), xmax, ymax};
        std::string name = path, title, xl, yl, zl;
        int retstat = -9;
        float xps = 0, yps = 0;
        FIO_IN_BRUKER(gui, with_variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                      ImageView{variances.data(), xmax, ymax}, title, xl, yl, zl, xps, yps,
                      overload, status);
        return retstat;
    }

    std::vector<float> data, variances, x_axis, y_axis;
    ImageView view;
    bool gui = true;
    int xnum = 0, ynum = 0;
    float overload = 0;
};

// An 80-byte header record.
std::string record(const std::string& keyword, const std::string& value)
{
    std::string r = keyword;
    r.resize(7, ' ');
    r += ":" + value;
    r.resize(80, ' ');
    return r;
}

// A fixture with the value of one header keyword replaced.
std::string with_value(std::string bytes, const std::string& keyword, const std::string& value)
{
    std::string key = keyword;
    key.resize(7, ' ');
    const std::size_t at = bytes.find(key + ":");
    return at == std::string::npos ? bytes : bytes.replace(at, 80, record(keyword, value));
}

} // namespace

TEST_F(Bruker, FramesOfAnIndependentWriterReadPixelForPixel)
{
    for (const char* name : {"bruker1", "bruker2", "bruker4"}) {
        SCOPED_TRACE(name);
        const std::string file = fixture(std::string(name) + "." + name[6] + "00");
        int retstat = -9;
        FioImage image = read_image(file, retstat);
        ASSERT_EQ(retstat, 0);
        EXPECT_EQ(image.format, "BRUKER");
        EXPECT_TRUE(same_pixels(
            pixels_of(image), read_reals(fixture(std::string(name) + ".expected")), image.xnumdat));
        EXPECT_EQ(image.overload_value, 80000.0f);
        EXPECT_EQ(image.zlabel, "Intensity");
    }
}

TEST_F(Bruker, TheHeaderSaysWhereThePixelsStart)
{
    int retstat = -9, handle = 0, columns = 0, rows = 0, bytes = 0, overflows = 0;
    long long start = 0;
    FIO_FILEOPEN(fixture("bruker2.200"), "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    FIO_IN_HEADBRUKER(handle, columns, rows, bytes, start, overflows, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ((std::vector<long long>{columns, rows, bytes, start, overflows}),
              (std::vector<long long>{80, 70, 2, 2561, 2})); // HDRBLKS 5: byte 2561

    bool end = true;
    std::string keyword, value;
    FIO_IN_KEYBRUKER(record("NCOLS", " 80 extra"), end, keyword, value, status);
    EXPECT_FALSE(end);
    EXPECT_EQ(keyword, "NCOLS");
    EXPECT_EQ(value.substr(0, 9), " 80 extra");
    EXPECT_EQ(value.size(), 72u);
    FIO_IN_KEYBRUKER("\x1a\x04" + std::string(78, '.'), end, keyword, value, status);
    EXPECT_TRUE(end);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Bruker, OverflowPositionsCountAlongTheStoredRowsFromTheTop)
{
    // A frame written from the description: one header block (the records
    // that fit; its end ends the header), 4 x 3 one-byte pixels, the top row
    // first, and two overflow records: position 0 is the top-left pixel,
    // position 11 the bottom-right one.
    std::string frame = record("FORMAT", "86") + record("HDRBLKS", "1") + record("NOVERFL", "2") +
                        record("NPIXELB", "1") + record("NROWS", "3") + record("NCOLS", "4");
    frame.resize(512, '\0');
    frame += std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\xff", 12);
    frame += "000300000      0"
             "000000999     11";
    write_file(dir.file("frame.001"), frame);
    ASSERT_EQ(read_into(dir.file("frame.001"), 4, 3, true), 0);
    EXPECT_EQ(data, (std::vector<float>{9, 10, 11, 999, 5, 6, 7, 8, 300000, 2, 3, 4}));
    EXPECT_EQ(variances, data); // counts: the variance is the value
    EXPECT_EQ(overload, 80000.0f);
}

TEST_F(Bruker, WithoutAWindowTheNameIsAskedUntilAFileOpens)
{
    gui = false;
    {
        TypedInput typed(dir.file("missing.001") + "\n" + fixture("bruker1.100") + "\n");
        ConsoleCapture console;
        ASSERT_EQ(read_into("", 56, 40), 0);
        for (const char* line : {"\"BRUKER\" AREA DETECTOR DATA FILE NAME",
                                 "Error in opening file, Please retype name"})
            EXPECT_NE(console.text().find(line), std::string::npos) << line << console.text();
    }
    EXPECT_EQ(data, read_reals(fixture("bruker1.expected")));
    TypedInput typed("\\\n");
    ConsoleCapture console;
    EXPECT_EQ(read_into("", 56, 40), -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Bruker, CutToTheDeclaredArrayKeepsTheBottomOfThePicture)
{
    // Exactly as large as the part kept: the overflows outside it (the top-left
    // and bottom-right pixels of the picture) must not be written anywhere.
    ASSERT_EQ(read_into(fixture("bruker2.200"), 50, 30), 0);
    EXPECT_EQ(xnum, 50);
    EXPECT_EQ(ynum, 30);
    const std::vector<float> whole = read_reals(fixture("bruker2.expected"));
    std::vector<float> part;
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 50; ++i)
            part.push_back(whole[static_cast<std::size_t>(j) * 80 + i]);
    EXPECT_EQ(data, part);
}

TEST_F(Bruker, DamagedFramesWarnAndGiveNoImage)
{
    const std::string good = read_file(fixture("bruker2.200"));
    const std::size_t table = 2560 + 80 * 70 * 2;
    const std::pair<std::string, const char*> cases[] = {
        {with_value(good, "NOVERFL", "9999"),
         "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "NCOLS", "99999999"),
         "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "NROWS", "-70"), "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "NPIXELB", "3"), "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "HDRBLKS", "0"), "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "HDRBLKS", "100000"),
         "WARNING: The Bruker header does not describe an image"},
        {with_value(good, "HDRBLKS", "five"),
         "WARNING: The Bruker header does not describe an image"},
        {std::string(3000, ' '), "WARNING: The Bruker header does not give its length"},
        {good.substr(0, 1000), "WARNING: Error in inputting header line"},
        {good.substr(0, table + 10), "WARNING: The Bruker header does not describe an image"},
        {std::string(good).replace(table + 3, 1, "x"),
         "ERROR: Error in inputting overflow pixel value"},
    };
    FioRequest bruker;
    bruker.format = "BRUKER";
    for (const auto& [bytes, warning] : cases) {
        SCOPED_TRACE(warning);
        write_file(dir.file("damaged.001"), bytes);
        ConsoleCapture console;
        int retstat = -9;
        read_image(dir.file("damaged.001"), retstat, bruker);
        EXPECT_EQ(retstat, 1);
        EXPECT_NE(console.text().find(warning), std::string::npos) << console.text();
    }
}
