#include "lg/ps/ps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "io/status.h"
#include "lg/cell_index.h"

namespace {

constexpr std::size_t LINE_LIMIT = 80;
constexpr int RUN_POINTS = 200;   // operands of one command stay within the stack
constexpr int MAX_IMAGE_SIDE = 1024; // pixels written per image side at most

// The device's state: one PostScript workstation at a time.
struct PsDevice
{
    int unit = 0;
    bool landscape = false;
    bool colour = true;
    int region[4] = {180, 230, 5690, 8100};
    float size = 7871.0f;
    float x_scale = 1.0f, x_offset = 0.0f, y_scale = 1.0f, y_offset = 0.0f;
    bool images_defined = false;
};

PsDevice ps;

void put(std::string_view line, int& status) { IO_WRITE_FILE(ps.unit, line, status); }

// Writes words on lines of at most 80 characters.
class Lines
{
public:
    explicit Lines(int& status) : status_(status) {}
    ~Lines() { flush(); }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    Lines& operator<<(std::string_view word)
    {
        if (!line_.empty() && line_.size() + 1 + word.size() > LINE_LIMIT) flush();
        if (!line_.empty()) line_ += ' ';
        line_ += word;
        return *this;
    }
    Lines& operator<<(long value) { return *this << std::string_view(std::to_string(value)); }
    void flush()
    {
        if (!line_.empty()) put(line_, status_);
        line_.clear();
    }

private:
    int& status_;
    std::string line_;
};

long px(float x) { return std::lround(ps.x_scale * x + ps.x_offset); }
long py(float y) { return std::lround(ps.y_scale * y + ps.y_offset); }

std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(std::clamp(v, 0.0f, 1.0f)));
    return text;
}

float grey(const LgRgb& c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }

// A colour for one of the colour operators: three components, or one grey value.
void put_colour(const LgRgb& c, std::string_view op, int& status)
{
    if (ps.colour) put(number(c.r) + " " + number(c.g) + " " + number(c.b) + " " + std::string(op),
                       status);
    else put(number(grey(c)) + " " + std::string(op), status);
}

// The page set-up at the start of every page.
void put_page_setup(int& status)
{
    put("0.1 0.1 scale", status);
    if (ps.landscape) put("5950 0 translate 90 rotate", status);
}

// A PostScript string: parentheses and backslashes escaped, other than plain
// characters in octal, and broken with a backslash at the line end when long.
std::vector<std::string> ps_string(std::string_view text, std::size_t room)
{
    std::vector<std::string> lines{"("};
    for (unsigned char c : text) {
        std::string piece;
        if (c == '(' || c == ')' || c == '\\') {
            piece = std::string("\\") + static_cast<char>(c);
        } else if (c < 32 || c > 126) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            piece = octal;
        } else {
            piece = std::string(1, static_cast<char>(c));
        }
        if (lines.back().size() + piece.size() > room) {
            lines.back() += "\\";
            lines.emplace_back();
        }
        lines.back() += piece;
    }
    lines.back() += ")";
    return lines;
}

void put_points(int first, int last, const float* x, const float* y, std::string_view op,
                int& status)
{
    Lines out(status);
    for (int i = first; i <= last; ++i) out << px(x[i]) << py(y[i]);
    out << static_cast<long>(last - first + 1) << op;
}

// The "ca" operator and its helpers, written once per file before the first image.
void define_images(int& status)
{
    if (ps.images_defined) return;
    ps.images_defined = true;
    put("% Definition of \"ca\" operator", status);
    put("/colourtable 768 string def", status);
    put("/ct {currentfile colourtable readhexstring} def", status);
    if (ps.colour) {
        put("/p2rgb { 0 1 xip 1 sub { /i exch def /c pixel_string i get 3 mul def", status);
        put("  rgb_string i 3 mul colourtable c 3 getinterval putinterval } for", status);
        put("  rgb_string } bind def", status);
    } else {
        put("/p2rgb { 0 1 xip 1 sub { /i exch def", status);
        put("  rgb_string i colourtable pixel_string i get 3 mul get put } for", status);
        put("  rgb_string } bind def", status);
    }
    put("/ca { /yip exch def /xip exch def /ye exch def /xe exch def", status);
    put("/ys exch def /xs exch def", status);
    put("gsave xs ys translate xe xs sub 1 add ye ys sub 1 add scale", status);
    put("xip yip 8 [xip 0 0 yip 0 0]", status);
    put("{currentfile pixel_string readhexstring pop p2rgb}", status);
    put(ps.colour ? "false 3 colorimage grestore} def" : "image grestore} def", status);
}

// Writes one image: its strings, the colour table, the corners and the
// pixels (colour indices in hexadecimal, bottom row first).
template <typename IndexOf>
void put_image(float x1, float y1, float x2, float y2, int xstart, int ystart, int xcount,
               int ycount, int xdim, const LgRgb* table, IndexOf index_of, int& status)
{
    define_images(status);
    const int xip = std::clamp(xcount, 1, MAX_IMAGE_SIDE);
    const int yip = std::clamp(ycount, 1, MAX_IMAGE_SIDE);
    char line[96];
    std::snprintf(line, sizeof line, "/rgb_string %5d string def  %% String to hold line of rgb values",
                  ps.colour ? 3 * xip : xip);
    put(line, status);
    std::snprintf(line, sizeof line, "/pixel_string %5d string def  %% String to hold line of pixels",
                  xip);
    put(line, status);
    put("ct", status);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    auto byte = [&](unsigned value) {
        text += hex[(value >> 4) & 15];
        text += hex[value & 15];
        if (text.size() >= LINE_LIMIT) {
            put(text, status);
            text.clear();
        }
    };
    auto flush = [&] {
        if (!text.empty()) put(text, status);
        text.clear();
    };
    for (int i = 0; i < 256; ++i) {
        const LgRgb& c = table[i];
        const LgRgb shown = ps.colour ? c : LgRgb{grey(c), grey(c), grey(c)};
        for (float component : {shown.r, shown.g, shown.b})
            byte(static_cast<unsigned>(std::clamp(static_cast<int>(255.0f * component), 0, 255)));
    }
    flush();
    put("pop pop  % Remove status return from stack", status);
    {
        Lines corners(status);
        corners << px(x1) << py(y1) << px(x2) << py(y2) << static_cast<long>(xip)
                << static_cast<long>(yip) << "ca";
    }
    for (int i = 0; i < yip; ++i) {
        const long row = ystart - 1 + static_cast<long>((i + 0.5) * ycount / yip);
        for (int j = 0; j < xip; ++j) {
            const long column = xstart - 1 + static_cast<long>((j + 0.5) * xcount / xip);
            byte(index_of(column + row * xdim) & 255u);
        }
        flush();
    }
}

} // namespace

void LG_PS_OPEN(int unit, bool own_region, bool landscape, bool colour, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_OPEN V0.4")) return;
    const bool keep_region = own_region && ps.unit != 0;
    const PsDevice before = ps;
    ps = PsDevice{};
    if (keep_region) std::copy(before.region, before.region + 4, ps.region);
    if (landscape && !keep_region) {
        // The page turned: x runs up the long side, y across from the right edge.
        ps.region[0] = 230;
        ps.region[1] = 260;
        ps.region[2] = 8100;
        ps.region[3] = 5770;
    }
    ps.unit = unit;
    ps.landscape = landscape;
    ps.colour = colour;
    ps.size = static_cast<float>(std::max(ps.region[2] - ps.region[0] + 1,
                                          ps.region[3] - ps.region[1] + 1));
    const long width = std::lround(ps.size / 1500.0f);
    char line[96];
    put("%!PS-Adobe-2.0", status);
    put("%%BoundingBox: 18 23 569 810", status);
    put("%%Creator: Produced by the \"Vaded Arovediv\" system", status);
    put("%%Title: \"Vaded Arovediv\" V1.5 PostScript Output", status);
    put("", status);
    put("% Definition of variables", status);
    if (colour) std::snprintf(line, sizeof line, "/pl_r 0 def /pl_g 0 def /pl_b 0 def /pl_w %4ld def /pl_t 0 def", width);
    else std::snprintf(line, sizeof line, "/pl_g 0 def /pl_w %4ld def /pl_t 0 def", width);
    put(line, status);
    std::snprintf(line, sizeof line, "/setlinejoin 1 def /dash%4ld def /dot %4ld def /gap %4ld def",
                  std::lround(ps.size / 150.0f), std::lround(ps.size / 700.0f),
                  std::lround(ps.size / 300.0f));
    put(line, status);
    const long marker = std::lround(ps.size / 150.0f);
    if (colour) std::snprintf(line, sizeof line, "/pm_r 0 def /pm_g 0 def /pm_b 0 def /pm_t 5 def /pm_s %4ld def/pm_w %4ld def", marker, width);
    else std::snprintf(line, sizeof line, "/pm_g 0 def /pm_t 5 def /pm_s %4ld def/pm_w %4ld def", marker, width);
    put(line, status);
    put(colour ? "/fa_r 1 def /fa_g 1 def /fa_b 1 def" : "/fa_g 1 def", status);
    put(colour ? "/tx_r 0 def /tx_g 0 def /tx_b 0 def /tx_h 0 def /tx_v 0 def"
               : "/tx_g 0 def /tx_h 0 def /tx_v 0 def",
        status);
    put("/tx_a 0 def /c_a 1 def /s_a 0 def", status);
    put("", status);
    put("% Definition of functions", status);
    const std::string pen = colour ? "pl_r pl_g pl_b setrgbcolor" : "pl_g setgray";
    const std::string marker_colour = colour ? "pm_r pm_g pm_b setrgbcolor" : "pm_g setgray";
    const std::string fill = colour ? "fa_r fa_g fa_b setrgbcolor" : "fa_g setgray";
    const std::string ink = colour ? "tx_r tx_g tx_b setrgbcolor" : "tx_g setgray";
    if (colour) {
        put("/pc {  /pl_b exch def /pl_g exch def /pl_r exch def} def", status);
        put("/mc {  /pm_b exch def /pm_g exch def /pm_r exch def} def", status);
        put("/fc {  /fa_b exch def /fa_g exch def /fa_r exch def} def", status);
        put("/tc {  /tx_b exch def /tx_g exch def /tx_r exch def} def", status);
    } else {
        put("/pc {/pl_g exch def} def", status);
        put("/mc {/pm_g exch def} def", status);
        put("/fc {/fa_g exch def} def", status);
        put("/tc {/tx_g exch def} def", status);
    }
    put("/pw { /pl_w exch def } def", status);
    put("/pt { /pl_t exch def } def", status);
    put("/mt { /pm_t exch def } def", status);
    put("/ms { /pm_s exch def } def", status);
    put("/mw { /pm_w exch def } def", status);
    put("/ta {/tx_v exch def /tx_h exch def} def", status);
    put("/td { /tx_a exch def /c_a tx_a cos def /s_a tx_a sin def} def", status);
    put("/tf { /fi exch def /size exch def", status);
    put("fi 1 eq {/Times-Roman findfont size scalefont setfont} if", status);
    put("fi 2 eq {/Courier findfont size scalefont setfont} if", status);
    put("} bind def", status);
    put("/l_type {0 pl_t eq {[] 0 setdash} if", status);
    put("1 pl_t eq {[] 0 setdash} if", status);
    put("2 pl_t eq {[dash dash] dash 2 div setdash} if", status);
    put("3 pl_t eq {[dot gap] 0 setdash} if", status);
    put("4 pl_t eq {[dash gap dot gap] dash 2 div setdash} if} def", status);
    const std::string stroke = pen + " pl_w setlinewidth l_type stroke} def";
    put("/pl { /num exch def newpath moveto", status);
    put("num 1 sub {lineto} repeat", status);
    put(stroke, status);
    put("/cl { /num exch def newpath moveto", status);
    put("num 1 sub {lineto} repeat closepath", status);
    put(stroke, status);
    put("/hl { /hy exch def newpath hy moveto hy lineto", status);
    put(stroke, status);
    put("/vl { /y2 exch def /y1 exch def /vx exch def newpath vx y1 moveto vx y2 lineto", status);
    put(stroke, status);
    put("/dt {newpath moveto -1 0 rmoveto 2 0 rlineto stroke} def", status);
    put("/plus {/y exch def /x exch def newpath x pm_s sub y moveto x pm_s add y lineto", status);
    put("x y pm_s sub moveto x y pm_s add lineto stroke} def", status);
    put("/cross {/y exch def /x exch def /d pm_s 0.707 mul def newpath", status);
    put("x d sub y d sub moveto x d add y d add lineto", status);
    put("x d sub y d add moveto x d add y d sub lineto stroke} def", status);
    put("/star {2 copy plus cross} def", status);
    put("/cir {newpath pm_s 0 360 arc stroke} def ", status);
    put("/pm {/num exch def " + marker_colour + " [] 0 setdash", status);
    put("pm_t 1 eq {10 setlinewidth 1 setlinecap num {dt} repeat} if", status);
    put("pm_t 2 eq {pm_w setlinewidth 0 setlinecap num {plus} repeat} if", status);
    put("pm_t 3 eq {pm_w setlinewidth 0 setlinecap num {star} repeat} if", status);
    put("pm_t 4 eq {pm_w setlinewidth 0 setlinecap num {cir} repeat} if", status);
    put("pm_t 5 eq {pm_w setlinewidth 0 setlinecap num {cross} repeat} if} def", status);
    put("/fa { /num exch def newpath moveto", status);
    put("num 1 sub {lineto} repeat closepath", status);
    put(fill + " fill} def", status);
    put("/tx_box {gsave newpath 0 0 moveto true charpath flattenpath pathbbox", status);
    put("/tx_ury exch def /tx_urx exch def /tx_lly exch def /tx_llx exch def", status);
    put("grestore} def", status);
    put("/tx {/tx_y exch def /tx_x exch def /tx_s exch def " + ink, status);
    put("/x_a 0 def tx_h 2 eq {/x_a tx_s stringwidth pop 2 div def} if", status);
    put("tx_h 3 eq {/x_a tx_s stringwidth pop def} if", status);
    put("/y_a 0 def tx_v 1 eq {(l) tx_box /y_a tx_ury def} if", status);
    put("tx_v 2 eq {(X) tx_box /y_a tx_ury def} if", status);
    put("tx_v 3 eq {(Xg) tx_box /y_a tx_ury tx_lly add 2 div def} if", status);
    put("tx_v 5 eq {(g) tx_box /y_a tx_lly def} if", status);
    put("tx_v 6 eq {(X) tx_box /y_a tx_ury 2 div def} if", status);
    put("/tx_x tx_x x_a c_a mul s_a y_a mul sub sub def", status);
    put("/tx_y tx_y s_a x_a mul c_a y_a mul add sub def", status);
    put("tx_x tx_y moveto gsave tx_a rotate tx_s show grestore} bind def", status);
    put("/clr {/ymax exch def /xmax exch def /ymin exch def /xmin exch def newpath", status);
    put("xmin ymin moveto xmax ymin lineto xmax ymax lineto xmin ymax lineto", status);
    put(colour ? "closepath 1 1 1 setrgbcolor fill} bind def" : "closepath 1 setgray fill} bind def",
        status);
    put("/cp {/ymax exch def /xmax exch def /ymin exch def /xmin exch def", status);
    put("newpath xmin ymin moveto xmax ymin lineto xmax ymax lineto xmin ymax lineto", status);
    put("closepath clip} def", status);
    put("% End of prologue", status);
    put("% Define current graphics state", status);
    put_page_setup(status);
}

void LG_PS_CLOSE(int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_CLOSE V0.1")) return;
    ps.unit = 0;
}

void LG_PS_TRANSFORM(float wx1, float wy1, float wx2, float wy2, float vx1, float vy1, float vx2,
                     float vy2, int& status)
{
    constexpr std::string_view position = "Subroutine LG_PS_TRANSFORM V0.2";
    if (!st_enter(status, position)) return;
    if (wx2 <= wx1 || vx2 <= vx1) {
        st_fail(status, ST_MOD_LG + 13, position);
        return;
    }
    if (wy2 <= wy1 || vy2 <= vy1) {
        st_fail(status, ST_MOD_LG + 14, position);
        return;
    }
    ps.x_scale = (vx2 - vx1) * ps.size / (wx2 - wx1);
    ps.x_offset = ps.size * vx1 + ps.region[0] - ps.x_scale * wx1;
    ps.y_scale = (vy2 - vy1) * ps.size / (wy2 - wy1);
    ps.y_offset = ps.size * vy1 + ps.region[1] - ps.y_scale * wy1;
}

// A polyline in runs of at most 200 points, each starting where the last ended.
void LG_PS_PL(int n, const float* x, const float* y, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_PL V0.3")) return;
    if (n == 2 && std::fabs(y[1] - y[0]) < 0.0001f) {
        Lines out(status);
        out << px(x[0]) << px(x[1]) << py(y[0]) << "hl";
        return;
    }
    if (n == 2 && std::fabs(x[1] - x[0]) < 0.0001f) {
        Lines out(status);
        out << px(x[0]) << py(y[0]) << py(y[1]) << "vl";
        return;
    }
    for (int start = 0; start < n - 1; start += RUN_POINTS - 1)
        put_points(start, std::min(n - 1, start + RUN_POINTS - 1), x, y, "pl", status);
}

void LG_PS_FA(int n, const float* x, const float* y, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_FA V0.2")) return;
    put_points(0, n - 1, x, y, "fa", status);
}

void LG_PS_PM(int n, const float* x, const float* y, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_PM V0.2")) return;
    for (int start = 0; start < n; start += RUN_POINTS)
        put_points(start, std::min(n - 1, start + RUN_POINTS - 1), x, y, "pm", status);
}

void LG_PS_TEXT(float x, float y, std::string_view text, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_TEXT V0.3")) return;
    const std::string tail = " " + std::to_string(px(x)) + " " + std::to_string(py(y)) + " tx";
    std::vector<std::string> lines = ps_string(st_trim(text), LINE_LIMIT - 2);
    if (lines.back().size() + tail.size() <= LINE_LIMIT) lines.back() += tail;
    else lines.push_back(tail.substr(1));
    for (const std::string& line : lines) put(line, status);
}

void LG_PS_CA(float x1, float y1, float x2, float y2, int xdim, int xstart, int ystart, int xcount,
              int ycount, const int* array, const LgRgb* table, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_CA V0.2")) return;
    put_image(x1, y1, x2, y2, xstart, ystart, xcount, ycount, xdim, table,
              [&](long at) { return static_cast<unsigned>(array[at]); }, status);
}

void LG_PS_RMCA(bool mask_flag, float x1, float y1, float x2, float y2, int xdim, int xstart,
                int ystart, int xcount, int ycount, const float* array, const bool* mask,
                float minimum, float maximum, int mask_colour, bool log_scaling, int min_image,
                int max_image, const LgRgb* table, int& status)
{
    constexpr std::string_view position = "Subroutine LG_PS_RMCA V0.3";
    if (!st_enter(status, position)) return;
    const bool masked = mask_flag && mask != nullptr;
    const LgCellIndex index_of(log_scaling, minimum, maximum, min_image, max_image);
    if (!index_of.usable()) {
        io_say(masked ? "ERROR: Scaling range unacceptable" : "ERROR: Log scaling range unacceptable");
        st_fail(status, ST_MOD_LG + 9999, position);
        return;
    }
    put_image(x1, y1, x2, y2, xstart, ystart, xcount, ycount, xdim, table,
              [&](long at) {
                  return masked && mask[at] ? static_cast<unsigned>(mask_colour)
                                            : index_of(array[at]);
              },
              status);
}

void LG_PS_CLEAR(int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_CLEAR V0.1")) return;
    Lines out(status);
    out << static_cast<long>(ps.region[0]) << static_cast<long>(ps.region[1])
        << static_cast<long>(ps.region[2]) << static_cast<long>(ps.region[3]) << "clr";
}

void LG_PS_UPDATE(int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_UPDATE V0.2")) return;
    put("showpage", status);
    put_page_setup(status);
}

void LG_PS_CLIP(bool on, float x1, float y1, float x2, float y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_CLIP V0.1")) return;
    if (!on) {
        put("initclip", status);
        return;
    }
    // The clip rectangle is given in page coordinates.
    auto page_x = [](float x) { return std::lround(ps.size * x + ps.region[0]); };
    auto page_y = [](float y) { return std::lround(ps.size * y + ps.region[1]); };
    Lines out(status);
    out << page_x(x1) << page_y(y1) << page_x(x2) << page_y(y2) << "cp";
}

void LG_PS_LINESTYLE(int style, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_LINESTYLE V0.1")) put(std::to_string(style) + " pt", status);
}

void LG_PS_LINEWIDTH(float width, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_LINEWIDTH V0.1"))
        put(std::to_string(std::max(1L, std::lround(ps.size * width / 1500.0f))) + " pw", status);
}

void LG_PS_LINECOLOUR(const LgRgb& colour, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_LINECOLOUR V0.1")) put_colour(colour, "pc", status);
}

void LG_PS_FILLCOLOUR(const LgRgb& colour, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_FILLCOLOUR V0.1")) put_colour(colour, "fc", status);
}

void LG_PS_MARKERCOLOUR(const LgRgb& colour, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_MARKERCOLOUR V0.1")) put_colour(colour, "mc", status);
}

void LG_PS_TEXTCOLOUR(const LgRgb& colour, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_TEXTCOLOUR V0.1")) put_colour(colour, "tc", status);
}

void LG_PS_MARKERTYPE(int type, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_MARKERTYPE V0.1")) put(std::to_string(type) + " mt", status);
}

void LG_PS_MARKERSCALE(float scale, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_MARKERSCALE V0.1"))
        put(std::to_string(std::lround(ps.size * scale / 150.0f)) + " ms", status);
}

void LG_PS_MARKERWIDTH(float width, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_MARKERWIDTH V0.1"))
        put(std::to_string(std::max(1L, std::lround(ps.size * width / 1500.0f))) + " mw", status);
}

namespace {
int ps_font = 1;
float ps_height = 1.0f / 60.0f;

void put_font(int& status)
{
    put(std::to_string(std::max(1L, std::lround(ps.size * ps_height))) + " " +
            std::to_string(ps_font) + " tf",
        status);
}
} // namespace

void LG_PS_TEXTFONT(int font, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_TEXTFONT V0.1")) return;
    ps_font = font;
    put_font(status);
}

void LG_PS_TEXTHEIGHT(float height, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_TEXTHEIGHT V0.1")) return;
    if (height <= 0.0f) {
        io_say("WARNING: Attempt to set zero or negative height text characters");
        return;
    }
    ps_height = height;
    put_font(status);
}

void LG_PS_TEXTALIGNMENT(int horizontal, int vertical, int& status)
{
    if (st_enter(status, "Subroutine LG_PS_TEXTALIGNMENT V0.1"))
        put(std::to_string(horizontal) + " " + std::to_string(vertical) + " ta", status);
}

void LG_PS_TEXTANGLE(float angle, int& status)
{
    if (!st_enter(status, "Subroutine LG_PS_TEXTANGLE V0.1")) return;
    char line[32];
    std::snprintf(line, sizeof line, "%.3f td", static_cast<double>(angle) * 180.0 / 3.1415925);
    put(line, status);
}
