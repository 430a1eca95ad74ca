// Points chosen on the picture shown: clicks (with a spy-glass that follows
// the pointer over an image, rubber-band feedback from the last point, and
// an optional magnified second click) or coordinates typed in.

#include <algorithm>
#include <cmath>
#include <vector>

#include "gs/graphs.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

constexpr int WINDOW = 1;
constexpr int SPYGLASS_ELEMENTS = 21;
constexpr float SNAP = 0.02f; // of the data window's size
constexpr std::size_t LONG_PROMPT = 32; // characters on one line of the prompt box

// The click mode survives between questions.
bool two_click = false;

const char* click_mode_label() { return two_click ? "ONE CLICK" : "TWO CLICK"; }

struct Box
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool contains(float x, float y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};

// What one question draws and where.
struct Question
{
    const GsImage* picture = nullptr;
    bool with_image = false;
    std::vector<std::string> prompt;
    Box prompt_box;
    Box finish_box;
    Box menu_box;
    Box glass;
    bool finish_button = false;
    std::vector<std::string> menu;
    std::vector<std::string> info; // shown beside the glass when there is room
    Box info_box;
    Box area; // all that the question covers
    // The points given so far, marked and joined as they were given.
    std::span<const float> x, y;
    const int* count = nullptr;
    bool mark = false;
    bool join = false;
};

// The data window of the picture last drawn, in its own coordinates.
std::array<float, 4> data_window()
{
    int status = ST_GOOD_VALUE;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_DDDR(x1, y1, x2, y2, status);
    return {x1, y1, x2, y2};
}

// A click just outside the data window is taken onto its edge, so that a
// point can be placed exactly on the border; false when it lies further out.
bool snapped(float& x, float& y)
{
    const std::array<float, 4> w = data_window();
    const float dx = SNAP * (w[2] - w[0]);
    const float dy = SNAP * (w[3] - w[1]);
    if (x < w[0] && x >= w[0] - dx) x = w[0];
    if (x > w[2] && x <= w[2] + dx) x = w[2];
    if (y < w[1] && y >= w[1] - dy) y = w[1];
    if (y > w[3] && y <= w[3] + dy) y = w[3];
    return x >= w[0] && x <= w[2] && y >= w[1] && y <= w[3];
}

// The question over the picture: everything it covers is cleared first, so
// that nothing of the question before (its buttons, its band, the end of its
// note) shows through; then the prompt, the finish button, the information,
// the menu and the spy-glass's frame.
void draw_question(Question& q, int& status)
{
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_RECTANGLE(q.area.x1, q.area.y1, q.area.x2, q.area.y2, true, false, status);
        GS_PROMPT(false, static_cast<int>(q.prompt.size()), static_cast<int>(q.prompt.size()),
                  q.prompt, q.prompt_box.x1, q.prompt_box.y1, q.prompt_box.x2, q.prompt_box.y2,
                  status);
        if (q.finish_button) {
            const std::string finish[] = {"(Click here to finish)"};
            GS_PROMPT(true, 1, 1, finish, q.finish_box.x1, q.finish_box.y1, q.finish_box.x2,
                      q.finish_box.y2, status);
            GS_TARGET(finish[0], q.finish_box.x1, q.finish_box.y1, q.finish_box.x2,
                      q.finish_box.y2);
        }
        if (!q.info.empty())
            GS_PROMPT(false, static_cast<int>(q.info.size()), static_cast<int>(q.info.size()),
                      q.info, q.info_box.x1, q.info_box.y1, q.info_box.x2, q.info_box.y2, status);
        q.menu[3] = click_mode_label();
        const std::string no_title[] = {""};
        GS_SET_MENULAYOUT(0, 2, 40, 10, status);
        GS_MENU(1, 0, no_title, 4, 4, q.menu, q.menu_box.x1, q.menu_box.y1, q.menu_box.x2,
                q.menu_box.y2, status);
    }
    if (q.with_image)
        GS_SPYGLASS(true, *q.picture, q.glass.x1, q.glass.y1, q.glass.x2, q.glass.y2, status);
    GS_UPDATE(status);
}

// The page under the question: the picture with its axes and colour bar,
// and the points given on it. This is what a print of the page shows.
void draw_page(const Question& q, int& status)
{
    if (q.picture != nullptr) GS_MPLOT(*q.picture, status);
    const int n = q.count != nullptr ? *q.count : 0;
    for (int k = 0; k < n; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        if (q.mark) GS_MARK(q.x[i], q.y[i], status);
        if (q.join && k > 0) GS_LINE(q.x[i - 1], q.y[i - 1], q.x[i], q.y[i], status);
    }
}

// Draws the page and the question again (after an exposure or a help text).
void redraw(Question& q, int& status)
{
    draw_page(q, status);
    draw_question(q, status);
}

// The feedback for the next point: the rubber band from the last one.
void feedback(int rubber_mode, int count, std::span<const float> x, std::span<const float> y,
              int& status)
{
    if (rubber_mode > 0 && count > 0)
        LG_SET_RUBBERBAND(WINDOW, rubber_mode, x[static_cast<std::size_t>(count - 1)],
                          y[static_cast<std::size_t>(count - 1)], status);
    else LG_SET_RUBBERBAND(WINDOW, 0, 0.0f, 0.0f, status);
}

void feedback_off(const GsImage* picture, int& status)
{
    LG_SET_RUBBERBAND(WINDOW, 0, 0.0f, 0.0f, status);
    if (picture != nullptr) {
        LgSpyglass off;
        LG_SPYGLASS(WINDOW, off, status);
    }
}

// A point typed on the keyboard.
bool typed_point(float& x, float& y, int& status)
{
    const std::string help[] = {"Enter valid floating point number"};
    GS_INPR(false, 0.0f, 0.0f, true, "X-COMPONENT OF COORDINATE TO DEFINE", 1, help, 0, help, x,
            status);
    if (status != ST_GOOD_VALUE) return false;
    GS_INPR(false, 0.0f, 0.0f, true, "Y-COMPONENT OF COORDINATE TO DEFINE", 1, help, 0, help, y,
            status);
    return status == ST_GOOD_VALUE;
}

void log_point(float x, float y)
{
    int convert = ST_GOOD_VALUE;
    io_say("INFO: Graphical coordinate = " + IO_RTOC(x, convert) + " " + IO_RTOC(y, convert));
}

// The place of the spy-glass: beside the picture where the page has room.
Box default_glass()
{
    int status = ST_GOOD_VALUE;
    int format = 0;
    GS_INQ_WINDOWFORMAT(format, status);
    if (format % 2 == 1) return {0.9f, 0.3f, 0.995f, 0.395f}; // beside the colour bar
    return {0.50f, 0.17f, 0.69f, 0.36f};
}

} // namespace

void GS_SPYGLASS(bool on, const GsImage& picture, float x1, float y1, float x2, float y2,
                 int& status)
{
    if (!st_enter(status, "Subroutine GS_SPYGLASS V0.2")) return;
    LgSpyglass setup;
    if (!on) {
        LG_SPYGLASS(WINDOW, setup, status);
        return;
    }
    float dx1 = 0, dy1 = 0, dx2 = 0, dy2 = 0;
    GS_INQ_IDR(dx1, dy1, dx2, dy2, status);
    // The glass's frame, drawn in page coordinates; its corners in the picture's.
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
        GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
    }
    setup.mode = 1;
    setup.data = picture.data.data;
    setup.xmaxdat = picture.data.xmaxdat;
    setup.ymaxdat = picture.data.ymaxdat;
    setup.xstart = picture.xstart;
    setup.ystart = picture.ystart;
    setup.xend = picture.xend;
    setup.yend = picture.yend;
    setup.image_x1 = dx1;
    setup.image_y1 = dy1;
    setup.image_x2 = dx2;
    setup.image_y2 = dy2;
    setup.xnum = SPYGLASS_ELEMENTS;
    setup.ynum = SPYGLASS_ELEMENTS;
    setup.glass_x1 = LG_PC2WC(true, x1, status);
    setup.glass_y1 = LG_PC2WC(false, y1, status);
    setup.glass_x2 = LG_PC2WC(true, x2, status);
    setup.glass_y2 = LG_PC2WC(false, y2, status);
    LG_SPYGLASS(WINDOW, setup, status);
}

// The second click of TWO CLICK mode: the image around the first click,
// magnified in the spy-glass box, where a second click gives the point.
// accepted is false when the user cancelled the step.
void GS_INP_TWOCLICK(const GsImage& picture, float x1, float y1, float x2, float y2, float& x,
                     float& y, bool& accepted, int& status)
{
    if (!st_enter(status, "Subroutine GS_INP_TWOCLICK V0.2")) return;
    accepted = false;
    const LgTransformGuard transform;
    const GsRegionsGuard regions;
    const LgPictureGuard kept;
    const GsMenuGuard menu;
    // The element under the first click, and the elements around it.
    auto element = [](std::span<const float> axis, int start, int end, float v) {
        int best = start;
        for (int i = start; i <= end; ++i)
            if (std::fabs(axis[static_cast<std::size_t>(i - 1)] - v) <
                std::fabs(axis[static_cast<std::size_t>(best - 1)] - v))
                best = i;
        return best;
    };
    const int half = SPYGLASS_ELEMENTS / 2;
    const int cx = element(picture.x_axis, picture.xstart, picture.xend, x);
    const int cy = element(picture.y_axis, picture.ystart, picture.yend, y);
    GsImage near = picture;
    near.xstart = std::max(picture.xstart, cx - half);
    near.xend = std::min(picture.xend, cx + half);
    near.ystart = std::max(picture.ystart, cy - half);
    near.yend = std::min(picture.yend, cy + half);
    if (near.xend <= near.xstart || near.yend <= near.ystart) {
        // Too thin a region to magnify: the first click is the point.
        accepted = true;
        return;
    }
    GS_SET_GPP(x1, y1, x2, y2, status);
    GS_DRAW_PICTURE(near, false, status);
    const std::string prompt[] = {"SECOND CLICK WITHIN \"SPY-GLASS\""};
    float gx1 = 0, gy1 = 0, gx2 = 0, gy2 = 0;
    GS_INQ_GUIREGION(gx1, gy1, gx2, gy2, status);
    const float w = gx2 - gx1;
    {
        const LgPageCoordinates page;
        GS_PROMPT(false, 1, 1, prompt, gx1, gy1, gx1 + 0.6f * w, gy2, status);
    }
    const std::string buttons[] = {"HELP", "CANCEL", "O.K."};
    const std::string no_title[] = {""};
    GS_SET_MENULAYOUT(0, 3, 40, 8, status);
    GS_MENU(1, 0, no_title, 3, 3, buttons, gx1 + 0.62f * w, gy1, gx2, gy2, status);
    GS_RESTORE_TRANSFORM(status);
    while (status == ST_GOOD_VALUE) {
        int type = 0;
        std::string chosen;
        float px = 0.0f, py = 0.0f;
        GS_INP_MENUCHOICE(3, 3, buttons, 2, type, chosen, px, py, status);
        if (status != ST_GOOD_VALUE) return;
        if (type == GS_MENU_CHOSEN) {
            if (chosen == "CANCEL") return;
            if (chosen == "HELP") {
                const std::string help[] = {
                    "Click on the magnified image to place the point exactly;",
                    "\"O.K.\" keeps the first click as it was."};
                GS_MESSAGE(2, 2, help, status);
                continue;
            }
            accepted = true; // O.K.: the first click stands
            return;
        }
        if (type != GS_MENU_OUTSIDE) continue;
        float dx1 = 0, dy1 = 0, dx2 = 0, dy2 = 0;
        GS_INQ_DDDR(dx1, dy1, dx2, dy2, status);
        if (px >= dx1 && px <= dx2 && py >= dy1 && py <= dy2) {
            x = px;
            y = py;
            accepted = true;
            return;
        }
    }
}

namespace {

// The question of GS_INPS_COORDINATES, with the information lines shown in
// info_box as well when one is given.
void ask_points(const GsImage* picture, float px1, float py1, float px2, float py2, float mx1,
                float my1, float mx2, float my2, float gx1, float gy1, float gx2, float gy2,
                std::string_view title, int max_info, int num_info, GsLines info, bool mark,
                int rubber_mode, bool join, int max_coordinates, int& num_coordinates,
                std::span<float> x, std::span<float> y, const Box* info_box, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INPS_COORDINATES V0.4";
    num_coordinates = 0;
    if (max_coordinates < 1 || x.size() < static_cast<std::size_t>(max_coordinates) ||
        y.size() < static_cast<std::size_t>(max_coordinates)) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    if (num_info < 0 || num_info > max_info || static_cast<int>(info.size()) < num_info) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    const LgTransformGuard transform;
    const GsMenuGuard menu;
    Question q;
    q.picture = picture;
    q.with_image = picture != nullptr && picture->data.data != nullptr &&
                   picture->xend > picture->xstart && picture->yend > picture->ystart;
    // A long title goes on two lines, split at the blank nearest its middle,
    // so that it is not shrunk below a size that reads.
    const std::string whole(st_trim(title));
    const std::size_t middle = whole.size() / 2;
    const std::size_t before = whole.rfind(' ', middle);
    const std::size_t after = whole.find(' ', middle);
    const std::size_t split =
        after == std::string::npos || (before != std::string::npos && middle - before < after - middle)
            ? before
            : after;
    if (whole.size() > LONG_PROMPT && split != std::string::npos) {
        q.prompt.push_back(whole.substr(0, split));
        q.prompt.push_back(whole.substr(split + 1));
    } else {
        q.prompt.push_back(whole);
    }
    if (max_coordinates > 1) {
        int convert = ST_GOOD_VALUE;
        q.prompt.push_back("(Enter " + IO_ITOC(max_coordinates, convert) + " coordinates)");
    }
    q.finish_button = max_coordinates > 1;
    const float finish_height = q.finish_button ? 0.3f * (py2 - py1) : 0.0f;
    q.prompt_box = {px1, py1 + finish_height, px2, py2};
    q.finish_box = {px1 + 0.2f * (px2 - px1), py1, px2 - 0.2f * (px2 - px1),
                    py1 + 0.9f * finish_height};
    q.menu_box = {mx1, my1, mx2, my2};
    q.glass = {gx1, gy1, gx2, gy2};
    q.menu = {"CANCEL", "HELP", "KEYBOARD", click_mode_label()};
    q.x = x;
    q.y = y;
    q.count = &num_coordinates;
    q.mark = mark;
    q.join = join;
    const std::vector<std::string> help(info.begin(), info.begin() + num_info);
    if (info_box != nullptr) {
        q.info_box = *info_box;
        // Trailing blank lines only take room.
        q.info = help;
        while (!q.info.empty() && st_trim(q.info.back()).empty()) q.info.pop_back();
    }
    // The strip of the prompt and the menu, and above it the information's room.
    q.area = {std::min(px1, mx1), std::min(py1, my1), std::max(px2, mx2), std::max(py2, my2)};
    if (info_box != nullptr) q.area.y2 = std::max(q.area.y2, info_box->y2);

    // The picture afresh under the question: nothing of the questions asked
    // over it before (a note in its periphery) stays.
    redraw(q, status);
    // Under the keyboard's questions, the picture and this question are the page.
    const GsPageDrawer page([&](int& s) { redraw(q, s); }, q.picture != nullptr);
    GS_RESTORE_TRANSFORM(status);
    feedback(rubber_mode, 0, x, y, status);
    // Documented pages print themselves on a click beside the picture.
    bool forms_doc = false, menus_doc = false;
    GS_INQ_DOC_CONTROL(forms_doc, menus_doc, status);
    const bool printable = q.picture != nullptr && (forms_doc || menus_doc);
    bool cancelled = false;
    while (status == ST_GOOD_VALUE && num_coordinates < max_coordinates) {
        int type = 0;
        std::string chosen;
        float cx = 0.0f, cy = 0.0f;
        GS_INP_MENUCHOICE(4, 4, q.menu, 2, type, chosen, cx, cy, status);
        if (status != ST_GOOD_VALUE) break;
        bool have_point = false;
        if (type == GS_MENU_REDRAW) {
            redraw(q, status);
        } else if (type == GS_MENU_CHOSEN && chosen == "CANCEL") {
            cancelled = true;
            break;
        } else if (type == GS_MENU_CHOSEN && chosen == "HELP") {
            feedback_off(q.with_image ? picture : nullptr, status);
            if (!help.empty())
                GS_MESSAGE(static_cast<int>(help.size()), static_cast<int>(help.size()), help,
                           status);
            if (q.with_image) GS_SPYGLASS(true, *picture, gx1, gy1, gx2, gy2, status);
        } else if (type == GS_MENU_CHOSEN && chosen == "KEYBOARD") {
            feedback_off(nullptr, status);
            cx = num_coordinates > 0 ? x[static_cast<std::size_t>(num_coordinates - 1)] : 0.0f;
            cy = num_coordinates > 0 ? y[static_cast<std::size_t>(num_coordinates - 1)] : 0.0f;
            have_point = typed_point(cx, cy, status);
            draw_question(q, status);
        } else if (type == GS_MENU_CHOSEN) {
            two_click = !two_click;
            draw_question(q, status);
        } else if (type == GS_MENU_OUTSIDE) {
            const float page_x = LG_WC2PC(true, cx, status);
            const float page_y = LG_WC2PC(false, cy, status);
            if (q.finish_button && q.finish_box.contains(page_x, page_y)) break;
            if (snapped(cx, cy)) {
                have_point = true;
                if (two_click && q.with_image) {
                    feedback_off(picture, status);
                    GS_INP_TWOCLICK(*picture, gx1, gy1, gx2, gy2, cx, cy, have_point, status);
                    GS_SPYGLASS(true, *picture, gx1, gy1, gx2, gy2, status);
                }
            } else if (printable) {
                feedback_off(q.with_image ? picture : nullptr, status);
                GS_PRINT_PAGE([&](int& s) { draw_page(q, s); }, status);
                redraw(q, status);
            }
        }
        GS_RESTORE_TRANSFORM(status);
        if (status != ST_GOOD_VALUE) break;
        if (have_point) {
            const std::size_t k = static_cast<std::size_t>(num_coordinates);
            x[k] = cx;
            y[k] = cy;
            ++num_coordinates;
            log_point(cx, cy);
            if (mark) GS_MARK(cx, cy, status);
            if (join && num_coordinates > 1) GS_LINE(x[k - 1], y[k - 1], cx, cy, status);
            GS_UPDATE(status);
        }
        feedback(rubber_mode, num_coordinates, x, y, status);
    }
    int restore = ST_GOOD_VALUE;
    feedback_off(q.with_image ? picture : nullptr, restore);
    if (cancelled || status == ST_ESCAPE_VALUE) {
        io_say("GRAPHICAL INPUT:");
        io_say("<CANCEL>");
        num_coordinates = 0;
        status = ST_ESCAPE_VALUE;
    }
    GS_RESTORE_TRANSFORM(restore);
}

} // namespace

// Points clicked on the picture shown (or typed): the prompt in its box, the
// control menu in its own, the spy-glass in glass when an image is given.
void GS_INPS_COORDINATES(const GsImage* picture, float px1, float py1, float px2, float py2,
                         float mx1, float my1, float mx2, float my2, float gx1, float gy1,
                         float gx2, float gy2, std::string_view title, int max_info,
                         int num_info, GsLines info, bool mark, int rubber_mode, bool join,
                         int max_coordinates, int& num_coordinates, std::span<float> x,
                         std::span<float> y, int& status)
{
    if (!st_enter(status, "Subroutine GS_INPS_COORDINATES V0.4")) return;
    ask_points(picture, px1, py1, px2, py2, mx1, my1, mx2, my2, gx1, gy1, gx2, gy2, title,
               max_info, num_info, info, mark, rubber_mode, join, max_coordinates,
               num_coordinates, x, y, nullptr, status);
}

// The same with the prompt and the menu in the strip at the foot of the page.
void GS_INPS_FCOORDINATES(const GsImage* picture, std::string_view title, int max_info,
                          int num_info, GsLines info, bool mark, int rubber_mode, bool join,
                          int max_coordinates, int& num_coordinates, std::span<float> x,
                          std::span<float> y, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INPS_FCOORDINATES V0.2";
    if (!st_enter(status, position)) return;
    if (max_coordinates < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    if (num_info < 0 || num_info > max_info) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    const float w = x2 - x1;
    const Box glass = default_glass();
    // The information lines between the strip and the picture's axis, beside
    // the glass, when the picture leaves room for them.
    float dx1 = 0, dy1 = 0, dx2 = 0, dy2 = 0;
    GS_INQ_DGPP(dx1, dy1, dx2, dy2, status);
    const Box info_box{x1 + 0.01f * w, y2 + 0.01f, std::min(glass.x1, x2) - 0.01f * w,
                       std::min(glass.y2, dy1 - 0.065f)};
    const bool room = picture != nullptr && info_box.y2 - info_box.y1 > 0.05f &&
                      info_box.x2 - info_box.x1 > 0.2f;
    ask_points(picture, x1, y1, x1 + 0.6f * w, y2, x1 + 0.62f * w, y1, x2, y2, glass.x1, glass.y1,
               glass.x2, glass.y2, title, max_info, num_info, info, mark, rubber_mode, join,
               max_coordinates, num_coordinates, x, y, room ? &info_box : nullptr, status);
}
