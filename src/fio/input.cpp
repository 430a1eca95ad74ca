// The interactive image input: the file chosen on the file-selection panel
// (or the next file of a series), the format decided from the name (and,
// where names are ambiguous, from the file's first bytes) or chosen on the
// format menu, and the reader of that format called through the format table.

#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "fio/readers.h"
#include "io/convert.h"
#include "io/database.h"
#include "io/directory.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

// What the driver keeps between calls.
struct InputState
{
    std::string format;
    bool series_defined = false;
};
InputState state;

// input_step that reads the given name again with the format decided last.
constexpr int REREAD_GIVEN_NAME = -2147483647;

// The information text of the file-selection panel.
const std::vector<std::string> panel_info = {
    "Data for the program main data array is required, normally",
    "input a file stored on disk. The file selection tool will",
    "help you to search directories and find the required file.",
    "",
    "The following file formats are presently supported:",
    "",
    "  .   : (no extension) MIRL Gas detector format",
    "  .bin: BINARY user specified format",
    "  .bsl: BSL (Daresbury) / OTOKO (Hamburg) format",
    "  .chi: CHIPLOT ASCII 1-D X/Y graph format",
    "  .cor: BINARY user specified format",
    "  .cor2: BINARY user specified format",
    "  .corr: BINARY user specified format",
    "  .kdf: \"TORVA\" format OR BINARY user specified format",
    "  .pln: PLANO format",
    "  .final: BINARY user specified format",
    "  .gel: Molecular Dynamics IMAGEQUANT (tiff) format",
    "  .inf: FUJI BAS-2000 (BAS-1500) format",
    "  .info: BINARY user specified format",
    "  .image: MarResearch IP scanner format",
    "  .img: FUJI BAS-2000 (BAS-1500) format OR",
    "       HAMAMATSU CCD format OR ADSC format",
    "  .mar1200: MarResearch IP scanner format",
    "  .mar1600: MarResearch IP scanner format",
    "  .mar2000: MarResearch IP scanner format",
    "  .mar2300: MarResearch IP scanner format",
    "  .mar3450: MarResearch IP scanner format",
    "  .mccd: TIFF format from MAR CCD camera",
    "  .osc: Rigaku R-AXIS IV format",
    "  .pck: Old compressed MarResearch format",
    "  .pmi: PHOTOMETRICS CCD format",
    "  .spe: PRINCETON INSTRUMENTS CCD format",
    "  .tif: Adobe TIFF format",
    "  .tiff: Adobe TIFF format",
    "",
    "  Files with numerical extensions e.g. .001",
    "  will be tested to see if they appear to be",
    "  Bruker area detector frame data file",
    "",
    "Files with unknown extensions will invoke",
    "a menu containing the available choices."};

const std::vector<std::string> menu_help = {
    "The file format of the file that you have specified",
    "is not known from it's file extension type. You can",
    "choose one of the available input formats. If the",
    "format you need is not available press the \"CANCEL\"",
    "button.",
    "",
    "(In the \"INPUT\" command of the \"KEYBOARD\" interface,",
    "there may be more input file formats available.)"};

// Extensions that name their format outright.
struct ExtensionRule
{
    std::string_view extension;
    std::string_view format;
};
constexpr ExtensionRule extension_rules[] = {
    {"_dk", "BRUKER"},       {"_ff", "BRUKER"},
    {"gel", "IMAGEQUANT"},   {"final", "BINARY"},
    {"corr", "BINARY"},      {"cor2", "BINARY"},
    {"bin", "BINARY"},       {"cor", "BINARY"},
    {"bsl", "BSL/OTOKO"},    {"chi", "CHIPLOT"},
    {"image", "MAR FORMAT"}, {"inf", "FUJI BAS-2000"},
    {"pln", "PLANO STANDARD FORMAT"},
    {"mar3450", "MAR FORMAT"}, {"mar2300", "MAR FORMAT"},
    {"mar2000", "MAR FORMAT"}, {"mar1200", "MAR FORMAT"},
    {"mar1600", "MAR FORMAT"}, {"osc", "RIGAKU R-AXIS"},
    {"pck", "MAR-PCK"},      {"pmi", "PHOTOMETRICS CCD FORMAT"},
    {"spe", "PRINCETON CCD FORMAT"},
    {"mccd", "TIFF"},        {"tif", "TIFF"},
    {"tiff", "TIFF"}};

bool exists(const std::string& name, int& status)
{
    bool found = false;
    int kind = 0;
    int third = 0;
    IO_FILEEXIST(name, found, kind, third, status);
    return found && kind == 1;
}

// The first bytes of a file, for the format tests; false when it cannot be opened.
bool first_bytes(std::string_view file_name, int wanted, std::vector<std::uint8_t>& bytes,
                 int& got, int& retstat, int& status)
{
    int handle = 0;
    if (!fio_open_input(file_name, handle, retstat, status)) return false;
    FioSlotGuard guard(handle);
    bytes.assign(static_cast<std::size_t>(wanted), 0);
    got = 0;
    // A short file is what the tests look for: the layer's own warning is not wanted.
    const long long size = fio_open_size(handle);
    const int n = static_cast<int>(std::min<long long>(std::max(size, 0LL), wanted));
    FIO_FILEPREADC(handle, 0, n, FIO_NO_SWAP, retstat, got, bytes);
    return true;
}

// The format menu; the format name chosen, empty for CANCEL.
std::string format_menu(int& status)
{
    std::vector<std::string> labels{"CANCEL", "?", "HELP"};
    std::vector<std::string> explanations{"CANCEL: Exit without inputting data from a file",
                                          "?: List of available formats and commands",
                                          "HELP: Help text on menu and available choices"};
    for (const FioFormatEntry& f : fio_formats()) {
        if (f.menu_label.empty()) continue;
        labels.emplace_back(f.menu_label);
        explanations.emplace_back(f.menu_help);
    }
    const int n = static_cast<int>(labels.size());
    const std::string title[] = {"UNKNOWN EXTENSION: SELECT FILE FORMAT:"};
    int layout = 0, columns = 1, title_chars = 40, choice_chars = 20;
    GS_INQ_MENULAYOUT(layout, columns, title_chars, choice_chars, status);
    GS_BACKGROUND(status);
    GS_SET_MENULAYOUT(0, 4, 30, 12, status);
    std::string format;
    bool redraw = true;
    while (status == ST_GOOD_VALUE) {
        if (redraw) GS_FMENU(1, 1, title, n, n, labels, status);
        redraw = false;
        int type = 0;
        std::string chosen;
        float x = 0.0f, y = 0.0f;
        GS_INP_MENUCHOICE(n, n, labels, 1, type, chosen, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (type == 2) {
            redraw = true;
        } else if (type == 1) {
            if (chosen == "CANCEL") break;
            if (chosen == "?") {
                GS_MESSAGE(n, n, explanations, status);
                redraw = true;
            } else if (chosen == "HELP") {
                GS_MESSAGE(8, 8, menu_help, status);
                redraw = true;
            } else {
                format = fio_format_from_choice(chosen);
                if (!format.empty()) break;
            }
        }
    }
    int restore = ST_GOOD_VALUE;
    GS_SET_MENULAYOUT(layout, columns, title_chars, choice_chars, restore);
    return format;
}

void remember_results(const FioTarget& target, float overload, std::string_view format,
                      int& status)
{
    int retstat = 0;
    IO_SET_RKEYVALUE("#OVERLOAD_VALUE", overload, retstat, status);
    IO_SET_KEYVALUE("#INPUT_FORMAT", static_cast<int>(format.size()), format, retstat, status);
    // Sizes that neither the file nor the remembered answers gave are not known.
    if (target.x_pixel_size > 0.0f)
        IO_SET_RKEYVALUE("X_PIXEL_SIZE", target.x_pixel_size, retstat, status);
    if (target.y_pixel_size > 0.0f)
        IO_SET_RKEYVALUE("Y_PIXEL_SIZE", target.y_pixel_size, retstat, status);
}

} // namespace

void FIO_IS_BRUKER(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IS_BRUKER V0.2")) return;
    std::vector<std::uint8_t> bytes;
    int got = 0;
    if (!first_bytes(file_name, 80, bytes, got, retstat, status) || got < 80) {
        if (status == ST_GOOD_VALUE) io_say("WARNING: Error in inputting header line");
        retstat = 2;
        return;
    }
    const std::string record(bytes.begin(), bytes.end());
    bool end = false;
    std::string keyword, value;
    FIO_IN_KEYBRUKER(record, end, keyword, value, status);
    if (end || keyword != "FORMAT" || record[7] != ':') {
        retstat = 1;
        return;
    }
    bool found = false;
    int version = 0;
    std::vector<std::string> tokens;
    int n = 0;
    IO_TOKENS(value, 1, n, tokens, status);
    if (n > 0) IO_TOKTI(tokens[0], found, version, status);
    if (!found || version != 86) {
        io_say("WARNING: The file appears to be a Bruker format file, but the format");
        io_say("         version number appears to have changed !?!?");
    }
    retstat = 0;
}

std::string FIO_DECIDE_FORMAT(std::string& file_name, int& status)
{
    if (!st_enter(status, "Subroutine FIO_DECIDE_FORMAT V0.1")) return {};
    const std::string name(st_trim(file_name));
    // The extension of the file itself, not of a directory above it.
    const std::string extension = IO_LOWER(IO_EXTENSION(IO_NODIRPATH(name, status), status));
    int retstat = 0;
    if (extension.empty()) {
        if (name.size() > 2 && name.ends_with("hm") && exists(name.substr(0, name.size() - 2),
                                                              status)) {
            file_name = name.substr(0, name.size() - 2);
            return "GAS 2-D DETECTOR (MIRL)";
        }
        if (exists(name + "hm", status)) return "GAS 2-D DETECTOR (MIRL)";
        return {};
    }
    if (extension.size() >= 3 && std::all_of(extension.begin(), extension.begin() + 3,
                                              [](char c) { return c >= '0' && c <= '9'; })) {
        FIO_IS_BRUKER(name, retstat, status);
        if (retstat == 0) return "BRUKER";
    }
    for (const ExtensionRule& rule : extension_rules)
        if (extension == rule.extension) return std::string(rule.format);
    const std::string base = name.substr(0, name.size() - extension.size() - 1);
    if (extension == "kdf") {
        FIO_IS_TORVA(name, retstat, status);
        return retstat == 0 ? "TORVA" : "BINARY";
    }
    if (extension == "info") {
        // The image beside its ".info" file is read; without it the name stays.
        if (exists(base, status)) file_name = base;
        return "BINARY";
    }
    if (extension == "img") {
        for (const char* companion : {".inf", ".INF"}) {
            if (exists(base + companion, status)) {
                file_name = base + companion;
                return "FUJI BAS-2000";
            }
        }
        FIO_IS_ADSC(name, retstat, status);
        return retstat == 0 ? "ADSC" : "HAMAMATSU PHOTONICS";
    }
    return {};
}

std::string FIO_INQ_INPUT_FORMAT() { return state.format; }

void FIO_DEF_INPUT()
{
    state = InputState{};
    fio_reset_binary();
}

namespace {

// How an input ended, inside the driver: the two cancels differ for the
// caller of fixed arrays (a cancel of the menu leaves data_defined alone).
enum class Ended { READ, PANEL_CANCELLED, MENU_CANCELLED, FAILED, TOO_LARGE };

// Gives the reader its arrays once the format and the name are known: the
// caller's own, or arrays made for the image's size.
using MakeArrays =
    std::function<Ended(const FioFormatEntry& entry, const std::string& file_name,
                        FioTarget& target, int& status)>;

// The driver: the file (chosen on the panel, or the next of the series),
// its format, the questions that decide its size, its arrays, its reader.
Ended gui_input(int max_prompt, int num_prompt, GsLines prompt, int input_step,
                std::string& file_name, const MakeArrays& make_arrays, FioTarget& target,
                int& status)
{
    const int shown = std::clamp(num_prompt, 0, std::min(max_prompt, static_cast<int>(prompt.size())));
    const GsLines prompt_lines = prompt.first(static_cast<std::size_t>(shown));
    std::string format;
    if (input_step != 0) {
        if (!state.series_defined) {
            const std::string line[] = {"CAN'T INPUT ANOTHER FILE IN AN UNDEFINED SEQUENCE"};
            fio_warning(line, status);
            return Ended::FAILED;
        }
        if (input_step != REREAD_GIVEN_NAME) {
            std::string next;
            int retstat = 0;
            IO_NEWFILENAME(file_name, input_step, 0, next, retstat, status);
            if (status != ST_GOOD_VALUE) return Ended::FAILED;
            if (retstat != 0) {
                fio_warning(prompt_lines, status);
                return Ended::FAILED;
            }
            file_name = next;
        }
        format = state.format;
    } else {
        int retstat = 0;
        const int lines = static_cast<int>(panel_info.size());
        GS_FILESELECTION(max_prompt, shown, prompt_lines, lines, lines, panel_info, 1, false,
                         retstat, file_name, status);
        if (status != ST_GOOD_VALUE) return Ended::FAILED;
        if (retstat != 0) return Ended::PANEL_CANCELLED;
        format = FIO_DECIDE_FORMAT(file_name, status);
        if (format.empty()) format = format_menu(status);
        if (status != ST_GOOD_VALUE) return Ended::FAILED;
        if (format.empty()) return Ended::MENU_CANCELLED;
        state.format = format;
        fio_prompt("INPUTTING DATA FROM FILE", status);
    }

    target.title = IO_NODIRPATH(file_name, status);
    const FioFormatEntry* entry = fio_find_format(format);
    if (entry == nullptr || entry->reader == nullptr) {
        io_say("WARNING: Unknown file format");
        return Ended::FAILED;
    }
    FioCall call{true, input_step == 0, file_name, nullptr};
    int retstat = 0;
    // The answers that give the image its size come before its arrays.
    if (call.ask && entry->ask_size != nullptr) {
        entry->ask_size(call, target, retstat, status);
        if (status != ST_GOOD_VALUE) return Ended::FAILED;
        if (retstat != 0) return Ended::MENU_CANCELLED;
        call.ask = false;
    }
    const Ended made = make_arrays(*entry, call.file_name, target, status);
    if (made != Ended::READ || status != ST_GOOD_VALUE) return made;
    entry->reader(call, target, retstat, status);
    if (status != ST_GOOD_VALUE) return Ended::FAILED;
    if (retstat != 0) {
        fio_warning(prompt_lines, status);
        return Ended::FAILED;
    }
    file_name = call.file_name;
    if (entry->one_dimensional) {
        target.ynumdat = 1;
        if (!target.y_axis.empty()) target.y_axis[0] = 0.5f;
    }
    if (entry->overload != FIO_OVERLOAD_FROM_READER) target.overload_value = entry->overload;
    if (target.xnumdat < 1 || target.ynumdat < 1) return Ended::FAILED;
    state.series_defined = true;
    if (!FIO_INQ_BATCH())
        GS_SET_IDR(0.0f, 0.0f, static_cast<float>(target.xnumdat),
                   static_cast<float>(target.ynumdat), status);
    remember_results(target, target.overload_value, format, status);
    return Ended::READ;
}

// The size of the image a file holds, from its format's probe; 1 x 1 when
// the file does not tell it, so that its reader says why.
void probed_size(const FioFormatEntry& entry, const std::string& file_name, int& width,
                 int& height, int& status)
{
    width = height = 1;
    if (entry.probe == nullptr) return;
    int probed = 0;
    entry.probe(file_name, width, height, probed, status);
    if (probed != 0 || width < 1 || height < 1) width = height = 1;
}

// Arrays for an image of the file's size; a refusal is said on the window
// and the console.
Ended arrays_for(FioImage& image, const FioFormatEntry& entry, const std::string& file_name,
                 FioTarget& target, int& status)
{
    int width = 1;
    int height = 1;
    probed_size(entry, file_name, width, height, status);
    if (status != ST_GOOD_VALUE) return Ended::FAILED;
    const std::string size = std::to_string(width) + " * " + std::to_string(height);
    if (width > FIO_MAX_SIDE || height > FIO_MAX_SIDE) {
        const std::string lines[] = {"THE IMAGE HAS " + size + " PIXELS:",
                                     "MORE THAN " + std::to_string(FIO_MAX_SIDE) + " A SIDE"};
        io_say("WARNING: The image has " + size + " pixels, more than " +
               std::to_string(FIO_MAX_SIDE) + " a side: it is not input");
        fio_warning(lines, status);
        return Ended::TOO_LARGE;
    }
    if (!fio_make_arrays(image, width, height)) {
        const long long megabytes =
            (static_cast<long long>(width) * height * static_cast<long long>(sizeof(float)) +
             (1 << 20) - 1) >> 20;
        const std::string lines[] = {"THE IMAGE HAS " + size + " PIXELS:",
                                     "NOT ENOUGH MEMORY LEFT FOR IT (" +
                                         std::to_string(megabytes) + " MB)"};
        io_say("WARNING: Not enough memory left for an image of " + size + " pixels (" +
               std::to_string(megabytes) + " MB): it is not input");
        fio_warning(lines, status);
        return Ended::TOO_LARGE;
    }
    target.data = image.view();
    target.x_axis = image.x_axis;
    target.y_axis = image.y_axis;
    return Ended::READ;
}

} // namespace

bool fio_make_arrays(FioImage& image, int width, int height)
{
    try {
        if (image.pixels.allocate(width, height)) {
            image.x_axis.assign(static_cast<std::size_t>(width), 0.0f);
            image.y_axis.assign(static_cast<std::size_t>(height), 0.0f);
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    image.pixels.release();
    std::vector<float>().swap(image.x_axis);
    std::vector<float>().swap(image.y_axis);
    return false;
}

void FIO_GUI_INPUT(int max_prompt, int num_prompt, GsLines prompt, int input_step,
                   bool variances_exist, bool& data_defined, std::string& file_name, int& xnumdat,
                   int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                   const ImageView& data, const ImageView& variances, std::string& title,
                   std::string& xlabel, std::string& ylabel, std::string& zlabel,
                   float& x_pixel_size, float& y_pixel_size, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_GUI_INPUT V0.12";
    if (!st_enter(status, position) || !fio_dimensions_valid(data, position, status)) return;
    FioTarget target = fio_target(data, variances, x_axis, y_axis, variances_exist);
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    const MakeArrays given = [](const FioFormatEntry&, const std::string&, FioTarget&, int&) {
        return Ended::READ;
    };
    const Ended ended =
        gui_input(max_prompt, num_prompt, prompt, input_step, file_name, given, target, status);
    if (ended == Ended::PANEL_CANCELLED) data_defined = false;
    if (ended != Ended::READ) return;
    fio_give_back(target, xnumdat, ynumdat, title, xlabel, ylabel, zlabel);
    x_pixel_size = target.x_pixel_size;
    y_pixel_size = target.y_pixel_size;
    data_defined = true;
}

void FIO_GUI_INPUT(int max_prompt, int num_prompt, GsLines prompt, int input_step,
                   std::string& file_name, FioImage& image, int& retstat, int& status)
{
    retstat = FIO_INPUT_FAILED;
    if (!st_enter(status, "Subroutine FIO_GUI_INPUT V0.12")) return;
    FioTarget target;
    // A file that does not carry pixel sizes leaves the remembered ones.
    target.x_pixel_size = image.x_pixel_size;
    target.y_pixel_size = image.y_pixel_size;
    int found = 0;
    if (target.x_pixel_size <= 0.0f)
        IO_INQ_RKEYVALUE("X_PIXEL_SIZE", target.x_pixel_size, found, status);
    if (target.y_pixel_size <= 0.0f)
        IO_INQ_RKEYVALUE("Y_PIXEL_SIZE", target.y_pixel_size, found, status);
    const MakeArrays sized = [&image](const FioFormatEntry& entry, const std::string& name,
                                      FioTarget& t, int& s) {
        return arrays_for(image, entry, name, t, s);
    };
    const Ended ended =
        gui_input(max_prompt, num_prompt, prompt, input_step, file_name, sized, target, status);
    switch (ended) {
    case Ended::READ: retstat = FIO_INPUT_READ; break;
    case Ended::PANEL_CANCELLED:
    case Ended::MENU_CANCELLED: retstat = FIO_INPUT_CANCELLED; return;
    case Ended::TOO_LARGE: retstat = FIO_INPUT_TOO_LARGE; return;
    case Ended::FAILED: retstat = FIO_INPUT_FAILED; return;
    }
    fio_give_back(target, image.xnumdat, image.ynumdat, image.title, image.xlabel, image.ylabel,
                  image.zlabel);
    image.format = state.format;
    image.file_name = file_name;
    image.x_pixel_size = target.x_pixel_size;
    image.y_pixel_size = target.y_pixel_size;
    image.overload_value = target.overload_value;
}
