// The byte-stream layer under every image reader: one input and one output
// slot, reads of a number of bytes (from the current or a given position,
// optionally reversing the bytes of 2- or 4-byte items), text lines, and
// writes of bytes or reals.

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "fio/fio.h"
#include "io/convert.h"
#include "io/os/os_layer.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/terminal.h"

namespace {

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Input streams read through a larger buffer than the system's default: the
// readers ask for many small blocks in a row. The C library takes the size
// only together with the storage, so the input slot owns its buffer; it is
// declared before the slots so that it outlives the last stream.
constexpr std::size_t STREAM_BUFFER = 1 << 16;
std::unique_ptr<char[]> input_buffer;

// The two slots: index 0 holds the input file (handle 1), index 1 the output
// file (handle 2). They live for the whole process; an open stream is closed
// by its slot at the latest when the program ends.
std::array<FilePointer, 2> slots;

// The pixel readers' work buffer (see fio_work_buffer); never filled with
// zeros, since every byte used is read first.
std::unique_ptr<std::uint8_t[]> work_storage;
std::size_t work_size = 0;
// What is kept between reads at the most: a larger request gets storage of
// its own, given back at the next smaller one.
constexpr std::size_t WORK_KEPT = 1 << 20;

std::FILE* input_stream(int handle, int& retstat)
{
    if (handle != FIO_INPUT_HANDLE) {
        retstat = FIO_BAD_ARGUMENT;
        return nullptr;
    }
    if (!slots[0]) {
        io_say("WARNING: Input file is not open");
        retstat = FIO_NOT_OPEN;
        return nullptr;
    }
    return slots[0].get();
}

// Reads what the stream gives, with the codes of FIO_FILEREADC.
void read_bytes(std::FILE* file, int bytes_wanted, int swap, int& retstat, int& bytes_read,
                std::span<std::uint8_t> buffer)
{
    const std::size_t got = std::fread(buffer.data(), 1, static_cast<std::size_t>(bytes_wanted),
                                       file);
    bytes_read = static_cast<int>(got);
    if (got == 0 && bytes_wanted > 0) {
        io_say("WARNING: End of file encoutered");
        retstat = FIO_SYSTEM_FAILED;
        return;
    }
    fio_swap_items(buffer.first(got), swap);
    if (got < static_cast<std::size_t>(bytes_wanted)) {
        io_say("WARNING: " + std::to_string(got) + " bytes input instead of " +
               std::to_string(bytes_wanted) + " requested");
        retstat = FIO_SHORT;
        return;
    }
    retstat = FIO_OK;
}

int access_mode(std::string_view access)
{
    const std::string word = IO_UPPER(st_strip(access));
    if (word == "READ") return FIO_READ_BINARY;
    if (word == "WRITE") return FIO_WRITE_BINARY;
    if (word == "READ_ASCII") return FIO_READ_TEXT;
    if (word == "WRITE_ASCII") return FIO_WRITE_TEXT;
    return 0;
}

} // namespace

void fio_swap_items(std::span<std::uint8_t> bytes, int swap)
{
    // Whole items as integers: the loops vectorise, a byte at a time they do not.
    std::uint8_t* p = bytes.data();
    if (swap == FIO_SWAP_2BYTE) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            std::uint16_t v;
            std::memcpy(&v, p + i, 2);
            v = __builtin_bswap16(v);
            std::memcpy(p + i, &v, 2);
        }
    } else if (swap == FIO_SWAP_4BYTE) {
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
            std::uint32_t v;
            std::memcpy(&v, p + i, 4);
            v = __builtin_bswap32(v);
            std::memcpy(p + i, &v, 4);
        }
    }
}

std::span<std::uint8_t> fio_work_buffer(std::size_t bytes)
{
    const std::size_t wanted = std::max(bytes, std::min(work_size, WORK_KEPT));
    if (wanted != work_size && (wanted > work_size || work_size > WORK_KEPT)) {
        work_storage.reset();
        work_storage = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
        work_size = wanted;
    }
    return {work_storage.get(), bytes};
}

std::int32_t Fio_int_byte_swap(std::int32_t value)
{
    return static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(value)));
}

float Fio_float_byte_swap(float value)
{
    return std::bit_cast<float>(__builtin_bswap32(std::bit_cast<std::uint32_t>(value)));
}

void FIO_FILEOPENC(std::string_view name, int mode, int& retstat, int& handle)
{
    if (mode < FIO_READ_BINARY || mode > FIO_WRITE_TEXT) {
        retstat = FIO_BAD_ARGUMENT;
        return;
    }
    const bool input = mode == FIO_READ_BINARY || mode == FIO_READ_TEXT;
    FilePointer& slot = slots[input ? 0 : 1];
    if (slot) {
        retstat = FIO_NOT_OPEN;
        return;
    }
    // Input is read only from regular files: a device or a pipe could block
    // or never end, a directory gives no bytes.
    int error_value = 0;
    FilePointer file(input ? IO_FOPEN_REGULARC(std::string(name), error_value)
                           : std::fopen(std::string(name).c_str(),
                                        mode == FIO_WRITE_BINARY ? "wb" : "w"));
    if (!file) {
        retstat = FIO_SYSTEM_FAILED;
        return;
    }
    if (input) {
        if (!input_buffer) input_buffer = std::make_unique_for_overwrite<char[]>(STREAM_BUFFER);
        std::setvbuf(file.get(), input_buffer.get(), _IOFBF, STREAM_BUFFER);
    }
    slot = std::move(file);
    handle = input ? FIO_INPUT_HANDLE : FIO_OUTPUT_HANDLE;
    retstat = FIO_OK;
}

void FIO_FILECLOSEC(int handle, int& retstat)
{
    if (handle != FIO_INPUT_HANDLE && handle != FIO_OUTPUT_HANDLE) {
        retstat = FIO_BAD_ARGUMENT;
        return;
    }
    FilePointer& slot = slots[handle - 1];
    if (!slot) {
        retstat = FIO_NOT_OPEN;
        return;
    }
    // A failed close of the output file means data that never reached it.
    const int result = std::fclose(slot.release());
    retstat = result == 0 ? FIO_OK : FIO_SYSTEM_FAILED;
}

void FIO_FILEREADC(int handle, int bytes_wanted, int swap, int& retstat, int& bytes_read,
                   std::span<std::uint8_t> buffer)
{
    FIO_FILEPREADC(handle, -1, bytes_wanted, swap, retstat, bytes_read, buffer);
}

// A negative offset reads on from the current position.
void FIO_FILEPREADC(int handle, long long offset, int bytes_wanted, int swap, int& retstat,
                    int& bytes_read, std::span<std::uint8_t> buffer)
{
    bytes_read = 0;
    if (bytes_wanted < 0 || static_cast<std::size_t>(bytes_wanted) > buffer.size()) {
        retstat = FIO_BAD_ARGUMENT;
        return;
    }
    std::FILE* file = input_stream(handle, retstat);
    if (file == nullptr) return;
    if (offset >= 0 && ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        retstat = FIO_SEEK_FAILED;
        return;
    }
    if (bytes_wanted == 0) {
        retstat = FIO_OK;
        return;
    }
    read_bytes(file, bytes_wanted, swap, retstat, bytes_read, buffer);
}

bool fio_open_input(std::string_view file_name, int& handle, int& retstat, int& status)
{
    FIO_FILEOPEN(file_name, "READ", retstat, handle, status);
    if (status != ST_GOOD_VALUE) return false;
    if (retstat == FIO_OK) return true;
    io_say("WARNING: Error in opening file");
    retstat = 1;
    return false;
}

void FIO_ASCIIREADC(int handle, int max_characters, int& retstat, std::string& line)
{
    std::FILE* file = input_stream(handle, retstat);
    if (file == nullptr) return;
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (static_cast<int>(line.size()) < max_characters) line.push_back(static_cast<char>(c));
    }
    if (!any) {
        retstat = FIO_SYSTEM_FAILED;
        return;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) line = " ";
    retstat = FIO_OK;
}

void FIO_FILEWRITEC(int handle, int bytes, int swap, std::span<std::uint8_t> buffer, int& retstat,
                    int& bytes_written)
{
    bytes_written = 0;
    if (handle != FIO_OUTPUT_HANDLE || bytes < 0 ||
        static_cast<std::size_t>(bytes) > buffer.size()) {
        retstat = FIO_BAD_ARGUMENT;
        return;
    }
    if (!slots[1]) {
        retstat = FIO_NOT_OPEN;
        return;
    }
    fio_swap_items(buffer.first(static_cast<std::size_t>(bytes)), swap);
    bytes_written = static_cast<int>(std::fwrite(buffer.data(), 1, bytes, slots[1].get()));
    if (bytes_written < bytes) {
        io_say("fio_filewritec: errno = " + std::to_string(errno));
        retstat = FIO_SYSTEM_FAILED;
        return;
    }
    retstat = FIO_OK;
}

void FIO_FILEWREALC(int handle, std::span<const float> reals, int& retstat, int& reals_written)
{
    reals_written = 0;
    if (handle != FIO_OUTPUT_HANDLE) {
        retstat = FIO_BAD_ARGUMENT;
        return;
    }
    if (!slots[1]) {
        retstat = FIO_NOT_OPEN;
        return;
    }
    reals_written = static_cast<int>(std::fwrite(reals.data(), sizeof(float), reals.size(),
                                                 slots[1].get()));
    if (static_cast<std::size_t>(reals_written) < reals.size()) {
        io_say("ERROR: fio_filewrealc: errno = " + std::to_string(errno));
        retstat = FIO_SYSTEM_FAILED;
        return;
    }
    retstat = FIO_OK;
}

long long fio_open_size(int handle)
{
    if (handle != FIO_INPUT_HANDLE && handle != FIO_OUTPUT_HANDLE) return -1;
    const FilePointer& slot = slots[handle - 1];
    if (!slot) return -1;
    struct stat info{};
    if (::fstat(::fileno(slot.get()), &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

long long fio_open_position(int handle)
{
    if (handle != FIO_INPUT_HANDLE && handle != FIO_OUTPUT_HANDLE) return -1;
    const FilePointer& slot = slots[handle - 1];
    if (!slot) return -1;
    return static_cast<long long>(::ftello(slot.get()));
}

FioSlotGuard::~FioSlotGuard() { close(); }

int FioSlotGuard::close()
{
    if (closed_) return FIO_OK;
    closed_ = true;
    int retstat = FIO_OK;
    FIO_FILECLOSEC(handle_, retstat);
    return retstat;
}

void FIO_FILEOPEN(std::string_view name, std::string_view access, int& retstat, int& handle,
                  int& status)
{
    constexpr std::string_view position = "Subroutine FIO_FILEOPEN V0.2";
    if (!st_enter(status, position)) return;
    if (st_trim(name).empty()) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_BLANK_NAME, position);
        return;
    }
    const int mode = access_mode(access);
    if (mode == 0) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_VALUE, position);
        return;
    }
    FIO_FILEOPENC(st_trim(name), mode, retstat, handle);
}

void FIO_OPENFILE(bool prompt_user, std::string_view access, std::string& name, int& retstat,
                  int& handle, int& status)
{
    if (!st_enter(status, "Subroutine FIO_OPENFILE V0.2")) return;
    const std::string help[] = {"Enter Name of file"};
    while (status == ST_GOOD_VALUE) {
        if (prompt_user) {
            IO_INPC("FILE NAME", help, "Unacceptable input", name, status);
            if (st_is_escape(status)) {
                status = ST_GOOD_VALUE;
                retstat = 1;
                return;
            }
            if (status != ST_GOOD_VALUE) return;
        }
        int translated_ok = 0;
        std::string translated;
        IO_TRANS_PATH(name, translated_ok, translated, status);
        if (status != ST_GOOD_VALUE) return;
        if (translated_ok != 0) {
            retstat = 1;
            return;
        }
        FIO_FILEOPEN(translated, access, retstat, handle, status);
        if (status != ST_GOOD_VALUE || retstat == FIO_OK) {
            if (retstat == FIO_OK) name = translated;
            return;
        }
        if (!prompt_user) return;
        io_say("Error in opening file, Please retype name");
    }
}

void FIO_TREAD_BYTES(int handle, long long offset, int bytes_wanted,
                     std::span<std::uint8_t> buffer, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_TREAD_BYTES V0.2";
    if (!st_enter(status, position)) return;
    if (buffer.empty()) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_XMAXDAT, position);
        return;
    }
    if (bytes_wanted < 0 || static_cast<std::size_t>(bytes_wanted) > buffer.size()) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_END, position);
        return;
    }
    int retstat = 0;
    int bytes_read = 0;
    FIO_FILEPREADC(handle, offset, bytes_wanted, FIO_NO_SWAP, retstat, bytes_read, buffer);
    if (retstat != FIO_OK && retstat != FIO_SHORT)
        st_fail(status, ST_MOD_FIO + FIO_ERR_DECODE, position);
}
