// The PostScript device: what is drawn on a PostScript workstation, written
// as a PostScript program (level 1) to an open text unit. Coordinates are
// integers in tenths of a point; no line is longer than 81 characters.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "io/status.h"
#include "io/units.h"
#include "lg/cell_index.h"
#include "lg/device.h"

namespace {

constexpr std::size_t LINE_LIMIT = 80;
constexpr int RUN_POINTS = 200;      // operands of one command stay within the stack
constexpr int MAX_IMAGE_SIDE = 1024; // pixels written per image side at most

float grey(const LgRgb& c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }

std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(std::clamp(v, 0.0f, 1.0f)));
    return text;
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

class PsDevice : public LgDevice
{
public:
    PsDevice(int unit, bool landscape, bool colour) : unit_(unit), landscape_(landscape), colour_(colour)
    {
        if (landscape) {
            // The page turned: x runs up the long side, y across from the right edge.
            region_[0] = 230;
            region_[1] = 260;
            region_[2] = 8100;
            region_[3] = 5770;
        }
        size_ = static_cast<float>(std::max(region_[2] - region_[0] + 1,
                                            region_[3] - region_[1] + 1));
    }

    // The prologue, then every attribute in force.
    int open(const LgState& state)
    {
        write_prologue();
        return activated(state);
    }

    LgCategory category() const override { return LgCategory::postscript; }

    int polyline(int n, const float* x, const float* y, const LgState& state) override
    {
        use_state(state);
        if (n == 2 && std::fabs(y[1] - y[0]) < 0.0001f) {
            Lines out(*this);
            out << px(x[0]) << px(x[1]) << py(y[0]) << "hl";
        } else if (n == 2 && std::fabs(x[1] - x[0]) < 0.0001f) {
            Lines out(*this);
            out << px(x[0]) << py(y[0]) << py(y[1]) << "vl";
        } else {
            // Runs of at most 200 points, each starting where the last ended.
            for (int start = 0; start < n - 1; start += RUN_POINTS - 1)
                put_points(start, std::min(n - 1, start + RUN_POINTS - 1), x, y, "pl");
        }
        return result();
    }

    int fill_area(int n, const float* x, const float* y, const LgState& state) override
    {
        use_state(state);
        if (n <= RUN_POINTS) put_points(0, n - 1, x, y, "fa");
        return result();
    }

    int polymarker(int n, const float* x, const float* y, const LgState& state) override
    {
        use_state(state);
        for (int start = 0; start < n; start += RUN_POINTS)
            put_points(start, std::min(n - 1, start + RUN_POINTS - 1), x, y, "pm");
        return result();
    }

    int text(float x, float y, std::string_view text, const LgState& state) override
    {
        use_state(state);
        const std::string tail = " " + std::to_string(px(x)) + " " + std::to_string(py(y)) + " tx";
        std::vector<std::string> lines = ps_string(st_trim(text), LINE_LIMIT - 2);
        if (lines.back().size() + tail.size() <= LINE_LIMIT) lines.back() += tail;
        else lines.push_back(tail.substr(1));
        for (const std::string& line : lines) put(line);
        return result();
    }

    int cell_array(const LgCells& cells, const int* array, const LgState& state) override
    {
        use_state(state);
        put_image(cells, state.colours, [&](long at) { return static_cast<unsigned>(array[at]); });
        return result();
    }

    int real_cell_array(const LgCells& cells, const float* array, const bool* mask, float minimum,
                        float maximum, int mask_colour, const LgState& state) override
    {
        use_state(state);
        const LgColours& c = state.colours;
        const LgCellIndex index_of(c.log_scaling, minimum, maximum, c.min_image, c.max_image);
        if (!index_of.usable()) {
            io_say(mask != nullptr ? "ERROR: Scaling range unacceptable"
                                   : "ERROR: Log scaling range unacceptable");
            return 2;
        }
        put_image(cells, c, [&](long at) {
            return mask != nullptr && mask[at] ? static_cast<unsigned>(mask_colour)
                                               : index_of(array[at]);
        });
        return result();
    }

    int clear(const LgState& state) override
    {
        (void)state;
        {
            Lines out(*this);
            out << static_cast<long>(region_[0]) << static_cast<long>(region_[1])
                << static_cast<long>(region_[2]) << static_cast<long>(region_[3]) << "clr";
        }
        return result();
    }

    // The end of a page, and the set-up of the next.
    int update(bool page_flag, const LgState& state) override
    {
        (void)page_flag;
        (void)state;
        put("showpage");
        put_page_setup();
        return result();
    }

    // Writes the line that records one change of the state.
    int changed(LgChange what, const LgState& state) override
    {
        const LgAttributes& a = state.attributes;
        const LgColours& c = state.colours;
        switch (what) {
        case LgChange::line_colour:
            if (a.line_colour < 1) io_say("WARNING: The PostScript driver does not support inverse video");
            else put_colour(c.at(a.line_colour), "pc");
            break;
        case LgChange::line_style: put(std::to_string(a.line_style) + " pt"); break;
        case LgChange::line_width: put(std::to_string(widths(a.line_width)) + " pw"); break;
        case LgChange::fill_colour: put_colour(c.at(a.fill_colour), "fc"); break;
        case LgChange::marker_type: put(std::to_string(a.marker_type) + " mt"); break;
        case LgChange::marker_colour: put_colour(c.at(a.marker_colour), "mc"); break;
        case LgChange::marker_scale:
            put(std::to_string(std::lround(std::clamp(size_ * a.marker_scale / 150.0f, -1.0e6f, 1.0e6f))) + " ms");
            break;
        case LgChange::marker_width: put(std::to_string(widths(a.marker_width)) + " mw"); break;
        case LgChange::text_font:
        case LgChange::text_height:
            put(std::to_string(std::max(1L, std::lround(std::clamp(size_ * a.text_height, 0.0f, 1.0e6f)))) +
                " " + std::to_string(a.text_font) + " tf");
            break;
        case LgChange::text_colour: put_colour(c.at(a.text_colour), "tc"); break;
        case LgChange::text_alignment:
            put(std::to_string(a.horizontal) + " " + std::to_string(a.vertical) + " ta");
            break;
        case LgChange::text_angle: {
            char line[32];
            std::snprintf(line, sizeof line, "%.3f td", static_cast<double>(a.text_angle));
            put(line);
            break;
        }
        case LgChange::clip: put_clip(state); break;
        }
        return result();
    }

    // Every attribute in force, as a new file or a page after a pause needs them.
    int activated(const LgState& state) override
    {
        for (LgChange what : {LgChange::line_style, LgChange::line_colour, LgChange::line_width,
                              LgChange::fill_colour, LgChange::marker_type, LgChange::marker_colour,
                              LgChange::marker_scale, LgChange::marker_width, LgChange::text_font,
                              LgChange::text_colour, LgChange::text_alignment, LgChange::text_angle})
            changed(what, state);
        if (state.clipping) put_clip(state);
        return result();
    }

private:
    // Writes words on lines of at most 80 characters.
    class Lines
    {
    public:
        explicit Lines(PsDevice& device) : device_(device) {}
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
            if (!line_.empty()) device_.put(line_);
            line_.clear();
        }

    private:
        PsDevice& device_;
        std::string line_;
    };

    void put(std::string_view line) { IO_WRITE_FILE(unit_, line, write_status_); }

    // 0, or 1 once a line could not be written (the writer has said why).
    int result()
    {
        if (write_status_ == ST_GOOD_VALUE) return 0;
        write_status_ = ST_GOOD_VALUE;
        return 1;
    }

    long widths(float width) const
    {
        return std::max(1L, std::lround(std::clamp(size_ * width / 1500.0f, 0.0f, 1.0e6f)));
    }

    void use_state(const LgState& state)
    {
        const LgRect& w = state.window;
        const LgRect& v = state.viewport;
        x_scale_ = (v[2] - v[0]) * size_ / (w[2] - w[0]);
        x_offset_ = size_ * v[0] + region_[0] - x_scale_ * w[0];
        y_scale_ = (v[3] - v[1]) * size_ / (w[3] - w[1]);
        y_offset_ = size_ * v[1] + region_[1] - y_scale_ * w[1];
    }

    long px(float x) const { return std::lround(std::clamp(x_scale_ * x + x_offset_, -1.0e7f, 1.0e7f)); }
    long py(float y) const { return std::lround(std::clamp(y_scale_ * y + y_offset_, -1.0e7f, 1.0e7f)); }

    // A colour for one of the colour operators: three components, or one grey value.
    void put_colour(const LgRgb& c, std::string_view op)
    {
        if (colour_) put(number(c.r) + " " + number(c.g) + " " + number(c.b) + " " + std::string(op));
        else put(number(grey(c)) + " " + std::string(op));
    }

    // The page set-up at the start of every page.
    void put_page_setup()
    {
        put("0.1 0.1 scale");
        if (landscape_) put("5950 0 translate 90 rotate");
    }

    // The clip rectangle (page coordinates), or none.
    void put_clip(const LgState& state)
    {
        if (!state.clipping) {
            put("initclip");
            return;
        }
        auto page_x = [&](float x) { return std::lround(size_ * x + region_[0]); };
        auto page_y = [&](float y) { return std::lround(size_ * y + region_[1]); };
        Lines out(*this);
        out << page_x(state.clip[0]) << page_y(state.clip[1]) << page_x(state.clip[2])
            << page_y(state.clip[3]) << "cp";
    }

    void put_points(int first, int last, const float* x, const float* y, std::string_view op)
    {
        Lines out(*this);
        for (int i = first; i <= last; ++i) out << px(x[i]) << py(y[i]);
        out << static_cast<long>(last - first + 1) << op;
    }

    // The "ca" operator and its helpers, written once per file before the first image.
    void define_images()
    {
        if (images_defined_) return;
        images_defined_ = true;
        put("% Definition of \"ca\" operator");
        put("/colourtable 768 string def");
        put("/ct {currentfile colourtable readhexstring} def");
        if (colour_) {
            put("/p2rgb { 0 1 xip 1 sub { /i exch def /c pixel_string i get 3 mul def");
            put("  rgb_string i 3 mul colourtable c 3 getinterval putinterval } for");
            put("  rgb_string } bind def");
        } else {
            put("/p2rgb { 0 1 xip 1 sub { /i exch def");
            put("  rgb_string i colourtable pixel_string i get 3 mul get put } for");
            put("  rgb_string } bind def");
        }
        put("/ca { /yip exch def /xip exch def /ye exch def /xe exch def");
        put("/ys exch def /xs exch def");
        put("gsave xs ys translate xe xs sub 1 add ye ys sub 1 add scale");
        put("xip yip 8 [xip 0 0 yip 0 0]");
        put("{currentfile pixel_string readhexstring pop p2rgb}");
        put(colour_ ? "false 3 colorimage grestore} def" : "image grestore} def");
    }

    // Writes one image: its strings, the colour table, the corners and the
    // pixels (colour indices in hexadecimal, bottom row first).
    template <typename IndexOf>
    void put_image(const LgCells& cells, const LgColours& colours, IndexOf index_of)
    {
        define_images();
        const int xip = std::clamp(cells.xcount, 1, MAX_IMAGE_SIDE);
        const int yip = std::clamp(cells.ycount, 1, MAX_IMAGE_SIDE);
        char line[96];
        std::snprintf(line, sizeof line,
                      "/rgb_string %5d string def  %% String to hold line of rgb values",
                      colour_ ? 3 * xip : xip);
        put(line);
        std::snprintf(line, sizeof line,
                      "/pixel_string %5d string def  %% String to hold line of pixels", xip);
        put(line);
        put("ct");
        static const char hex[] = "0123456789abcdef";
        std::string text;
        auto byte = [&](unsigned value) {
            text += hex[(value >> 4) & 15];
            text += hex[value & 15];
            if (text.size() >= LINE_LIMIT) {
                put(text);
                text.clear();
            }
        };
        auto flush = [&] {
            if (!text.empty()) put(text);
            text.clear();
        };
        for (int i = 0; i < 256; ++i) {
            const LgRgb& c = colours.table[i];
            const LgRgb shown = colour_ ? c : LgRgb{grey(c), grey(c), grey(c)};
            for (float component : {shown.r, shown.g, shown.b})
                byte(static_cast<unsigned>(std::clamp(static_cast<int>(255.0f * component), 0, 255)));
        }
        flush();
        put("pop pop  % Remove status return from stack");
        {
            Lines corners(*this);
            corners << px(cells.x1) << py(cells.y1) << px(cells.x2) << py(cells.y2)
                    << static_cast<long>(xip) << static_cast<long>(yip) << "ca";
        }
        for (int i = 0; i < yip; ++i) {
            const long row = cells.ystart - 1 + static_cast<long>((i + 0.5) * cells.ycount / yip);
            for (int j = 0; j < xip; ++j) {
                const long column =
                    cells.xstart - 1 + static_cast<long>((j + 0.5) * cells.xcount / xip);
                byte(index_of(column + row * cells.xdim) & 255u);
            }
            flush();
        }
    }

    void write_prologue()
    {
        const bool colour = colour_;
        const long width = std::lround(size_ / 1500.0f);
        char line[96];
        put("%!PS-Adobe-2.0");
        put("%%BoundingBox: 18 23 569 810");
        put("%%Creator: Produced by the \"Vaded Arovediv\" system");
        put("%%Title: \"Vaded Arovediv\" V1.5 PostScript Output");
        put("");
        put("% Definition of variables");
        if (colour) std::snprintf(line, sizeof line, "/pl_r 0 def /pl_g 0 def /pl_b 0 def /pl_w %4ld def /pl_t 0 def", width);
        else std::snprintf(line, sizeof line, "/pl_g 0 def /pl_w %4ld def /pl_t 0 def", width);
        put(line);
        std::snprintf(line, sizeof line, "/setlinejoin 1 def /dash%4ld def /dot %4ld def /gap %4ld def",
                      std::lround(size_ / 150.0f), std::lround(size_ / 700.0f),
                      std::lround(size_ / 300.0f));
        put(line);
        const long marker = std::lround(size_ / 150.0f);
        if (colour) std::snprintf(line, sizeof line, "/pm_r 0 def /pm_g 0 def /pm_b 0 def /pm_t 5 def /pm_s %4ld def/pm_w %4ld def", marker, width);
        else std::snprintf(line, sizeof line, "/pm_g 0 def /pm_t 5 def /pm_s %4ld def/pm_w %4ld def", marker, width);
        put(line);
        put(colour ? "/fa_r 1 def /fa_g 1 def /fa_b 1 def" : "/fa_g 1 def");
        put(colour ? "/tx_r 0 def /tx_g 0 def /tx_b 0 def /tx_h 0 def /tx_v 0 def"
                   : "/tx_g 0 def /tx_h 0 def /tx_v 0 def");
        put("/tx_a 0 def /c_a 1 def /s_a 0 def");
        put("");
        put("% Definition of functions");
        const std::string pen = colour ? "pl_r pl_g pl_b setrgbcolor" : "pl_g setgray";
        const std::string marker_colour = colour ? "pm_r pm_g pm_b setrgbcolor" : "pm_g setgray";
        const std::string fill = colour ? "fa_r fa_g fa_b setrgbcolor" : "fa_g setgray";
        const std::string ink = colour ? "tx_r tx_g tx_b setrgbcolor" : "tx_g setgray";
        if (colour) {
            put("/pc {  /pl_b exch def /pl_g exch def /pl_r exch def} def");
            put("/mc {  /pm_b exch def /pm_g exch def /pm_r exch def} def");
            put("/fc {  /fa_b exch def /fa_g exch def /fa_r exch def} def");
            put("/tc {  /tx_b exch def /tx_g exch def /tx_r exch def} def");
        } else {
            put("/pc {/pl_g exch def} def");
            put("/mc {/pm_g exch def} def");
            put("/fc {/fa_g exch def} def");
            put("/tc {/tx_g exch def} def");
        }
        put("/pw { /pl_w exch def } def");
        put("/pt { /pl_t exch def } def");
        put("/mt { /pm_t exch def } def");
        put("/ms { /pm_s exch def } def");
        put("/mw { /pm_w exch def } def");
        put("/ta {/tx_v exch def /tx_h exch def} def");
        put("/td { /tx_a exch def /c_a tx_a cos def /s_a tx_a sin def} def");
        put("/tf { /fi exch def /size exch def");
        put("fi 1 eq {/Times-Roman findfont size scalefont setfont} if");
        put("fi 2 eq {/Courier findfont size scalefont setfont} if");
        put("} bind def");
        put("/l_type {0 pl_t eq {[] 0 setdash} if");
        put("1 pl_t eq {[] 0 setdash} if");
        put("2 pl_t eq {[dash dash] dash 2 div setdash} if");
        put("3 pl_t eq {[dot gap] 0 setdash} if");
        put("4 pl_t eq {[dash gap dot gap] dash 2 div setdash} if} def");
        const std::string stroke = pen + " pl_w setlinewidth l_type stroke} def";
        put("/pl { /num exch def newpath moveto");
        put("num 1 sub {lineto} repeat");
        put(stroke);
        put("/cl { /num exch def newpath moveto");
        put("num 1 sub {lineto} repeat closepath");
        put(stroke);
        put("/hl { /hy exch def newpath hy moveto hy lineto");
        put(stroke);
        put("/vl { /y2 exch def /y1 exch def /vx exch def newpath vx y1 moveto vx y2 lineto");
        put(stroke);
        put("/dt {newpath moveto -1 0 rmoveto 2 0 rlineto stroke} def");
        put("/plus {/y exch def /x exch def newpath x pm_s sub y moveto x pm_s add y lineto");
        put("x y pm_s sub moveto x y pm_s add lineto stroke} def");
        put("/cross {/y exch def /x exch def /d pm_s 0.707 mul def newpath");
        put("x d sub y d sub moveto x d add y d add lineto");
        put("x d sub y d add moveto x d add y d sub lineto stroke} def");
        put("/star {2 copy plus cross} def");
        put("/cir {newpath pm_s 0 360 arc stroke} def ");
        put("/pm {/num exch def " + marker_colour + " [] 0 setdash");
        put("pm_t 1 eq {10 setlinewidth 1 setlinecap num {dt} repeat} if");
        put("pm_t 2 eq {pm_w setlinewidth 0 setlinecap num {plus} repeat} if");
        put("pm_t 3 eq {pm_w setlinewidth 0 setlinecap num {star} repeat} if");
        put("pm_t 4 eq {pm_w setlinewidth 0 setlinecap num {cir} repeat} if");
        put("pm_t 5 eq {pm_w setlinewidth 0 setlinecap num {cross} repeat} if} def");
        put("/fa { /num exch def newpath moveto");
        put("num 1 sub {lineto} repeat closepath");
        put(fill + " fill} def");
        put("/tx_box {gsave newpath 0 0 moveto true charpath flattenpath pathbbox");
        put("/tx_ury exch def /tx_urx exch def /tx_lly exch def /tx_llx exch def");
        put("grestore} def");
        put("/tx {/tx_y exch def /tx_x exch def /tx_s exch def " + ink);
        put("/x_a 0 def tx_h 2 eq {/x_a tx_s stringwidth pop 2 div def} if");
        put("tx_h 3 eq {/x_a tx_s stringwidth pop def} if");
        put("/y_a 0 def tx_v 1 eq {(l) tx_box /y_a tx_ury def} if");
        put("tx_v 2 eq {(X) tx_box /y_a tx_ury def} if");
        put("tx_v 3 eq {(Xg) tx_box /y_a tx_ury tx_lly add 2 div def} if");
        put("tx_v 5 eq {(g) tx_box /y_a tx_lly def} if");
        put("tx_v 6 eq {(X) tx_box /y_a tx_ury 2 div def} if");
        put("/tx_x tx_x x_a c_a mul s_a y_a mul sub sub def");
        put("/tx_y tx_y s_a x_a mul c_a y_a mul add sub def");
        put("tx_x tx_y moveto gsave tx_a rotate tx_s show grestore} bind def");
        put("/clr {/ymax exch def /xmax exch def /ymin exch def /xmin exch def newpath");
        put("xmin ymin moveto xmax ymin lineto xmax ymax lineto xmin ymax lineto");
        put(colour ? "closepath 1 1 1 setrgbcolor fill} bind def" : "closepath 1 setgray fill} bind def");
        put("/cp {/ymax exch def /xmax exch def /ymin exch def /xmin exch def");
        put("newpath xmin ymin moveto xmax ymin lineto xmax ymax lineto xmin ymax lineto");
        put("closepath clip} def");
        put("% End of prologue");
        put("% Define current graphics state");
        put_page_setup();
    }

    int unit_;
    bool landscape_;
    bool colour_;
    int region_[4] = {180, 230, 5690, 8100};
    float size_ = 7871.0f;
    float x_scale_ = 1.0f, x_offset_ = 0.0f, y_scale_ = 1.0f, y_offset_ = 0.0f;
    bool images_defined_ = false;
    int write_status_ = ST_GOOD_VALUE;
};

} // namespace

std::unique_ptr<LgDevice> lg_open_postscript_device(int unit, bool landscape, bool colour,
                                                    const LgState& state)
{
    auto device = std::make_unique<PsDevice>(unit, landscape, colour);
    if (device->open(state) != 0) return nullptr;
    return device;
}
