#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

// A packed stream written from the format's description: the header line,
// then blocks of a 6-bit header (count 2**n in the low 3 bits, the index of
// the width in the high 3) and the differences, least significant bit first.
class PackedWriter
{
public:
    PackedWriter(int x, int y, const std::string& before = "")
    {
        char line[64];
        std::snprintf(line, sizeof line, "CCP4 packed image, X: %04d, Y: %04d\n", x, y);
        bytes_ = before + line;
    }
    PackedWriter& block(int n, int width_index, const std::vector<long long>& differences)
    {
        static constexpr int widths[8] = {0, 4, 5, 6, 7, 8, 16, 32};
        put(static_cast<std::uint64_t>(n | width_index << 3), 6);
        for (long long d : differences)
            put(static_cast<std::uint64_t>(d), widths[width_index]);
        return *this;
    }
    std::string finish()
    {
        if (count_ > 0) bytes_ += static_cast<char>(bits_);
        bits_ = 0;
        count_ = 0;
        return bytes_;
    }

private:
    void put(std::uint64_t value, int width)
    {
        for (int b = 0; b < width; ++b) {
            bits_ |= ((value >> b) & 1) << count_;
            if (++count_ == 8) {
                bytes_ += static_cast<char>(bits_);
                bits_ = 0;
                count_ = 0;
            }
        }
    }
    std::string bytes_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
};

struct Decoded
{
    int retstat = -9, xnum = 0, ynum = 0;
    std::vector<float> data;
    std::string console;
};

class Pckc : public FioTest
{
protected:
    // Decodes a stream into an array of xmax x ymax; the image size expected.
    Decoded decode(const std::string& bytes, int xmax, int ymax, int x, int y)
    {
        write_file(dir.file("stream.pck"), bytes);
        Decoded d;
        d.data.assign(static_cast<std::size_t>(xmax) * ymax, -1.0f);
        int retstat = 0, handle = 0;
        FIO_FILEOPEN(dir.file("stream.pck"), "READ", retstat, handle, status);
        FioSlotGuard guard(handle);
        ConsoleCapture console;
        d.xnum = x;
        d.ynum = y;
        FIO_IN_PCKC(handle, ImageView{d.data.data(), xmax, ymax}, d.xnum, d.ynum, d.retstat);
        d.console = console.text();
        return d;
    }
};

} // namespace

TEST_F(Pckc, AZeroWidthBlockOf128PixelsGivesTheirPredictions)
{
    // 128 pixels: the first 1000, then a block of 128 differences of width 0
    // (one more than the image needs: the rest of a block is not used).
    const std::string s = PackedWriter(16, 8).block(0, 6, {1000}).block(7, 0, {}).finish();
    const Decoded d = decode(s, 16, 8, 16, 8);
    ASSERT_EQ(d.retstat, 0) << d.console;
    EXPECT_EQ(d.xnum, 16);
    EXPECT_EQ(d.ynum, 8);
    EXPECT_EQ(d.data, std::vector<float>(128, 1000.0f));
}

TEST_F(Pckc, SignedDifferencesOfEveryWidth)
{
    // All ones in 16 bits is -1: the pixel wraps to 65535, stored unsigned.
    // 32-bit differences wrap to 16 bits too, the most negative one included.
    const std::string s = PackedWriter(4, 1)
                              .block(0, 6, {0xFFFF})
                              .block(0, 1, {1})
                              .block(1, 7, {70000, -2147483648LL})
                              .finish();
    const Decoded d = decode(s, 4, 1, 4, 1);
    ASSERT_EQ(d.retstat, 0) << d.console;
    EXPECT_EQ(d.data, (std::vector<float>{65535, 0, 4464, 4464}));
}

TEST_F(Pckc, EachPixelPredictedFromItsNeighboursInTheSequence)
{
    // Worked by hand from the description, 3 x 3 pixels. Line 1: 10 15 12.
    // The first pixel of line 2 follows the pixel before it: 12 + 4 = 16;
    // then (16 + 12 + 15 + 10 + 2) / 4 = 13, + 1 = 14; the last uses the first
    // of its own line: (14 + 16 + 12 + 15 + 2) / 4 = 14, - 2 = 12. Line 3:
    // (12 + 14 + 16 + 12 + 2) / 4 = 14, + 0; (14 + 12 + 14 + 16 + 2) / 4 = 14,
    // + 3 = 17; (17 + 14 + 12 + 14 + 2) / 4 = 14, - 14 = 0.
    const std::string s =
        PackedWriter(3, 3).block(3, 2, {10, 5, -3, 4, 1, -2, 0, 3}).block(0, 2, {-14}).finish();
    const Decoded d = decode(s, 3, 3, 3, 3);
    ASSERT_EQ(d.retstat, 0) << d.console;
    EXPECT_EQ(d.data, (std::vector<float>{10, 15, 12, 16, 14, 12, 14, 17, 0}));

    // In 16-bit arithmetic 65535 is -1: (-1 - 1 - 1 - 1 + 2) / 4 is 0 (toward
    // zero), so the last pixel of this 2 x 2 image is 0 + 5.
    const std::string wrap = PackedWriter(2, 2).block(2, 1, {-1, 0, 0, 5}).finish();
    const Decoded w = decode(wrap, 2, 2, 2, 2);
    ASSERT_EQ(w.retstat, 0) << w.console;
    EXPECT_EQ(w.data, (std::vector<float>{65535, 65535, 65535, 5}));
}

TEST_F(Pckc, TheHeaderLineIsFoundAfterOtherLinesAndTheImageCutToTheArray)
{
    std::vector<long long> ramp(20, 1); // 5 x 4 pixels, the first line 7, 8, 9, 10, 11
    ramp[0] = 7;
    const std::string s = PackedWriter(5, 4, "\x01\x02 binary\n\nnot this\n")
                              .block(4, 1, std::vector<long long>(ramp.begin(), ramp.begin() + 16))
                              .block(2, 1, {1, 1, 1, 1})
                              .finish();
    const Decoded whole = decode(s, 5, 4, 5, 4);
    ASSERT_EQ(whole.retstat, 0) << whole.console;
    EXPECT_EQ(whole.data[0], 7.0f);
    EXPECT_EQ(whole.data[4], 11.0f); // 7, 8, 9, 10, 11 along the first line
    const Decoded cut = decode(s, 3, 2, 5, 4);
    ASSERT_EQ(cut.retstat, 0);
    EXPECT_EQ(cut.xnum, 3);
    EXPECT_EQ(cut.ynum, 2);
    EXPECT_EQ(cut.data, (std::vector<float>{whole.data[0], whole.data[1], whole.data[2],
                                            whole.data[5], whole.data[6], whole.data[7]}));
}

TEST_F(Pckc, StreamsThatCannotBeTheImageAreRefusedWithTheirReason)
{
    const std::string full =
        PackedWriter(4, 4).block(4, 6, std::vector<long long>(16, 300)).finish();
    const std::size_t header = PackedWriter(4, 4).finish().size();
    struct Case
    {
        const char* what;
        std::string bytes;
        int x, y, retstat;
        const char* warning;
    };
    const Case cases[] = {
        {"no header line", "CCP4 packed image V2, X: 0004, Y: 0004\n" + full.substr(header), 4, 4,
         3, "WARNING: No packed image was found in the file"},
        {"another size", full, 4, 5, 4,
         "WARNING: The packed image is 4 by 4 pixels, but the file header says 4 by 5"},
        {"cut short", full.substr(0, full.size() - 5), 4, 4, 5,
         "WARNING: The packed image ends before all of its pixels were decoded"},
        {"only the header line", full.substr(0, header), 4, 4, 5,
         "WARNING: The packed image ends before all of its pixels were decoded"},
        {"empty", "", 4, 4, 3, "WARNING: No packed image was found in the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = decode(c.bytes, 4, 4, c.x, c.y);
        EXPECT_EQ(d.retstat, c.retstat);
        EXPECT_NE(d.console.find(c.warning), std::string::npos) << d.console;
    }
    EXPECT_EQ(decode(full, 4, 4, 4, 4).retstat, 0);
}
