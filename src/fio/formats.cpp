// The table of image formats: each format's name, its entry on the format
// menu, its reader and the overload value the driver sets after a read. The
// driver and the command-line tool find a reader only through this table.

#include <string>

#include "fio/detector.h"
#include "fio/readers.h"
#include "io/convert.h"
#include "io/directory.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

// Without a window: no form is shown and messages go to the console only.
bool batch = false;

void read_binary(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    if (call.region != nullptr) {
        fio_read_binary(call, FIO_INQ_BINARY_LAYOUT(), t, retstat, status);
        return;
    }
    FIO_IN_BINARY(call.gui, call.ask, t.variances_exist, call.file_name, retstat, t.xnumdat,
                  t.ynumdat, t.x_axis, t.y_axis, t.data, t.variances, t.title, t.xlabel,
                  t.ylabel, t.zlabel, t.x_pixel_size, t.y_pixel_size, t.overload_value, status);
}

void read_tiff(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    fio_read_tiff(call, false, false, t, retstat, status);
}

void read_imagequant(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    fio_read_tiff(call, true, true, t, retstat, status);
}

// The size of a raw image is its layout's, when the file holds that much.
void binary_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    const FioBinaryLayout layout = FIO_INQ_BINARY_LAYOUT();
    long long size = -1;
    IO_FILESIZE(file_name, size, status);
    const long long needed = fio_binary_bytes(layout);
    width = layout.nx;
    height = layout.ny;
    retstat = needed >= 0 && size >= needed ? 0 : 1;
}

constexpr float FROM_READER = FIO_OVERLOAD_FROM_READER;

// In the order of the format menu; the gas detector has no menu entry.
const FioFormatEntry formats[] = {
    {"ADSC", "ADSC", "ADSC: ADSC detector data format e.g. Quantum 4", fio_read_adsc, FROM_READER,
     fio_adsc_size},
    {"BINARY", "BINARY", "BINARY: Flexible interactive input of unformatted data", read_binary,
     FROM_READER, binary_size, false, false, fio_ask_binary_layout},
    {"BRUKER", "BRUKER", "BRUKER: Bruker Area Detector Frame Data Format, e.g. SMART CCD",
     fio_read_bruker, FROM_READER, fio_bruker_size},
    {"BSL/OTOKO", "BSL/OTOKO", "BSL/OTOKO: Daresbury BSL / Hamburg OTOKO:KOHALA format",
     fio_read_bsl, FROM_READER, fio_bsl_size, false, true},
    {"CHIPLOT", "CHIPLOT", "CHIPLOT: Simple ASCII X/Y column format data", fio_read_chiplot,
     1.7e38f, fio_chiplot_size, true},
    {"PLANO STANDARD FORMAT", "PLANO", "PLANO: Self describing readable PLANO standard format",
     fio_read_plano, FROM_READER, fio_plano_size},
    {"FUJI BAS-2000", "FUJI (BAS)", "FUJI (BAS): FUJI BAS-2000, BAS-1500 image plate scanners",
     fio_read_bas2000, FROM_READER, fio_bas2000_size},
    {"HAMAMATSU PHOTONICS", "HAMAMATSU", "HAMAMATSU: (PHOTONICS) C4880 CCD detector format",
     fio_read_hamamatsu, 65534.5f, fio_hamamatsu_size},
    {"IMAGEQUANT", "IMAGEQUANT", "IMAGEQUANT: IMAGEQUANT TIFF based format (Molecular Dynamics)",
     read_imagequant, 99999.5f, fio_tiff_decodable},
    {"TORVA", "TORVA", "TORVA: \"TORVA\" format, a simplified sub-set of the KDF format",
     fio_read_torva, FROM_READER, fio_torva_size, false, true},
    {"MAR FORMAT", "MAR", "MAR: MarResearch \"image\" format for on-line IP systems", fio_read_mar,
     131071.5f, fio_mar_size},
    {"MAR-PCK", "MAR-PCK", "MAR-PCK: Compressed old MarResearch \"image\" format",
     fio_read_mar_packed, 131071.5f, fio_mar_packed_size},
    {"PHOTOMETRICS CCD FORMAT", "PHOTOMETRICS",
     "PHOTOMETRICS: CCD Format (MIRL X-ray Image intensifier system)", fio_read_photometrics,
     16383.5f, fio_photometrics_size, false, true},
    {"PRINCETON CCD FORMAT", "PRINCETON",
     "PRINCETON: CCD Format (MIRL X-ray Image intensifier system)", fio_read_princeton, 65534.5f,
     fio_princeton_size, false, true},
    {"RIGAKU R-AXIS", "RIGAKU R-AXIS", "RIGAKU R-AXIS: Riguka image plate scanner format",
     fio_read_raxis, FROM_READER, fio_raxis_size},
    // 65334.5 is the value that files and callers have always been given for TIFF.
    {"TIFF", "TIFF", "TIFF: Limited TIFF input (compressed data not supported)", read_tiff,
     65334.5f, fio_tiff_decodable},
    {"GAS 2-D DETECTOR (MIRL)", "", "", fio_read_gas2d, 1.7e38f, fio_gas2d_size, false, true},
};

} // namespace

std::span<const FioFormatEntry> fio_formats() { return formats; }

const FioFormatEntry* fio_find_format(std::string_view name)
{
    const std::string_view wanted = st_strip(name);
    for (const FioFormatEntry& f : formats)
        if (f.name == wanted) return &f;
    return nullptr;
}

std::string fio_format_from_choice(std::string_view choice)
{
    const std::string wanted = IO_UPPER(st_strip(choice));
    if (wanted.empty()) return {};
    for (const FioFormatEntry& f : formats)
        if (wanted == f.name || (!f.menu_label.empty() && wanted == f.menu_label))
            return std::string(f.name);
    return {};
}

void FIO_SET_BATCH(bool on) { batch = on; }
bool FIO_INQ_BATCH() { return batch; }

void fio_prompt(std::string_view line, int& status)
{
    if (batch) return;
    const std::string text[] = {std::string(line)};
    GS_FPROMPT(1, 1, text, status);
}

void fio_warning(std::span<const std::string> lines, int& status)
{
    if (batch) {
        for (const std::string& line : lines) io_say(line);
        return;
    }
    const int n = static_cast<int>(lines.size());
    GS_FWARNING(n, n, lines, status);
}
