// The real window on a real X server (Xvfb), driven by xdotool as a user would.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "lg_test_support.h"

using zyt_test::read_file;
using zyt_test::TempDir;

namespace {

// An X server of the test's own, on a display number nobody uses.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        // Xvfb picks a free display number itself and tells it through a pipe.
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) {
            stop();
            return;
        }
        name_ = ":" + number;
        old_display_ = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        ::setenv("DISPLAY", name_.c_str(), 1);
    }
    ~VirtualDisplay()
    {
        stop();
        if (old_display_.empty()) ::unsetenv("DISPLAY");
        else ::setenv("DISPLAY", old_display_.c_str(), 1);
    }
    bool running() const { return pid_ > 0; }

private:
    void stop()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t pid_ = -1;
    std::string name_;
    std::string old_display_;
};

// Runs a shell command (a user's actions) in the background.
class Background
{
public:
    explicit Background(const std::string& command)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Background() { wait(); }
    int wait()
    {
        if (pid_ <= 0) return exit_code_;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exit_code_;
    }

private:
    pid_t pid_ = -1;
    int exit_code_ = -1;
};

const std::string find_window =
    "W=$(timeout 20 xdotool search --sync --onlyvisible --name zyt_zevuza | head -1); ";

class RealWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.running()) << "Xvfb could not be started";
        LgWindowOptions options;
        options.record_file = dir.file("record.txt");
        zyt_test::open_window(options, LG_WINDOW_PORTRAIT, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
    }
    void TearDown() override { zyt_test::close_window(); }

    VirtualDisplay display;
    TempDir dir;
    int status = ST_GOOD_VALUE;
};

std::vector<unsigned> picture()
{
    int w = 0, h = 0, error = 0;
    LG_X11_INQ_SIZE(w, h, error);
    std::vector<unsigned> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(LG_X11_PIXEL(x, y));
    return pixels;
}

} // namespace

TEST_F(RealWindow, AClickAndATypedLineArriveAsEvents)
{
    Background geometry("timeout 20 xdotool search --sync --onlyvisible --name zyt_zevuza getwindowgeometry "
                        "--shell > " + dir.file("geometry.txt"));
    EXPECT_EQ(geometry.wait(), 0);
    const std::string shape = read_file(dir.file("geometry.txt"));
    EXPECT_NE(shape.find("WIDTH=500"), std::string::npos) << shape;
    EXPECT_NE(shape.find("HEIGHT=707"), std::string::npos) << shape;

    // Something on the page, so that the pointer feedback has a picture to spoil.
    LG_UNITYTRANSFORM(true, status);
    const float x[4] = {0.1f, 0.5f, 0.5f, 0.1f};
    const float y[4] = {0.1f, 0.1f, 0.6f, 0.6f};
    LG_FILLCOLOUR(3, status);
    LG_FILLAREA(4, x, y, status);
    const std::vector<unsigned> before = picture();

    // The pointer moves over the window (crosshair and a rubber band from the
    // start point drawn), then clicks.
    LG_SET_RUBBERBAND(1, 1, 0.2f, 0.3f, status);
    Background user(find_window + "xdotool mousemove --window $W 60 300; sleep 0.2; "
                    "xdotool mousemove --window $W 120 220; sleep 0.2; xdotool click 1");
    int event = -5;
    float px = 0, py = 0;
    LG_INP_COORDINATE(1, 0, event, px, py, status);
    EXPECT_EQ(user.wait(), 0);
    EXPECT_EQ(event, LG_EVENT_PRESS);
    EXPECT_NEAR(px, 120.0f / 707.0f, 1e-6f);
    EXPECT_NEAR(py, (707.0f - 220.0f) / 707.0f, 1e-6f);
    EXPECT_TRUE(picture() == before) << "the pointer feedback was not erased";

    Background typist(find_window + "xdotool windowfocus --sync $W; xdotool type hello; "
                      "xdotool key Return");
    std::string text;
    int workstation = 0;
    LG_INP_EVENT(1, 0, true, "NAME", false, 0.1f, 0.7f, 0.6f, 0.8f, event, workstation, text, px,
                 py, status);
    EXPECT_EQ(typist.wait(), 0);
    EXPECT_EQ(event, LG_EVENT_RETURN);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(read_file(dir.file("record.txt")),
              "click 0.169731 0.688826\nkey ClearLine\ntext \"hello\"\n");
}

TEST_F(RealWindow, TheCloseButtonCancelsTheQuestion)
{
    // What a window manager sends when its close button is pressed.
    Background window_manager(find_window + "echo $W > " + dir.file("id.txt"));
    ASSERT_EQ(window_manager.wait(), 0);
    const Window id = std::stoul(read_file(dir.file("id.txt")));
    const pid_t child = ::fork();
    if (child == 0) {
        Display* x = XOpenDisplay(nullptr);
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = id;
        close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
        usleep(200000);
        XSendEvent(x, id, False, NoEventMask, &close);
        XCloseDisplay(x);
        ::_exit(0);
    }
    int event = -5;
    float px = 0, py = 0;
    LG_INP_COORDINATE(1, 0, event, px, py, status);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
}

TEST_F(RealWindow, TheSpyglassMagnifiesTheElementsUnderThePointer)
{
    // A 64 x 64 image, dark on the left half and bright on the right, shown in
    // the lower half of the page; the glass above it.
    std::vector<float> image(64 * 64);
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) image[i + j * 64] = i < 32 ? 0.0f : 10.0f;
    LG_UNITYTRANSFORM(true, status);
    LG_REALCELLARRAY(64, 64, 1, 1, 64, 64, image.data(), 0.0f, 0.0f, 0.5f, 0.5f, 0.0f, 10.0f,
                     status);
    LgSpyglass glass;
    glass.mode = 1;
    glass.data = image.data();
    glass.xmaxdat = glass.ymaxdat = 64;
    glass.xend = glass.yend = 64;
    glass.image_x2 = glass.image_y2 = 0.5f;
    glass.xnum = glass.ynum = 8;
    glass.glass_x1 = 0.55f;
    glass.glass_y1 = 0.55f;
    glass.glass_x2 = 0.7f;
    glass.glass_y2 = 0.7f;
    LG_SPYGLASS(1, glass, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // Over the border between dark and bright (element 32, page x 0.25).
    const int border_x = static_cast<int>(0.25f * 707);
    Background user(find_window + "xdotool mousemove --window $W " + std::to_string(border_x) +
                    " 530; sleep 0.3; xdotool click 1");
    int event = -5;
    float px = 0, py = 0;
    LG_INP_COORDINATE(1, 0, event, px, py, status);
    EXPECT_EQ(user.wait(), 0);
    // The glass shows both halves magnified: dark on its left, bright on its right.
    const int gy = 707 - static_cast<int>(0.6f * 707);
    const unsigned left = LG_X11_PIXEL(static_cast<int>(0.57f * 707), gy);
    const unsigned right = LG_X11_PIXEL(static_cast<int>(0.68f * 707), gy);
    EXPECT_NE(left, right);
    EXPECT_NE(left, 0xffffffu);
    // The element and its value are written at the top left.
    int dark = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 120; ++x) dark += (LG_X11_PIXEL(x, y) & 0xff) < 0x80 ? 1 : 0;
    EXPECT_GT(dark, 20);
}
