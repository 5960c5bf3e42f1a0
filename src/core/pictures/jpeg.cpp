#include "core/pictures/jpeg.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <vector>

#include "core/base/path_text.h"
#include "core/os/files.h"
#include "core/os/scratch_file.h"

namespace corvina {

namespace {

constexpr std::size_t kInputBufferSize = 64 * 1024;

// Progressive and other multi-scan files keep every 8x8 block's coefficients (64 of JCOEF) until
// the last scan. Above this much memory the file must be big enough to have coded them: a
// complete file codes at least one bit per block in its first DC scan, so it has at least
// blocks / 8 bytes; we allow half of that (a file cut short still decodes with a warning).
constexpr std::uint64_t kFreeCoefficientBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kMaxBlocksPerFileByte = 16;

// Each scan of a progressive file passes over the whole picture, so a small file of many tiny
// scans could keep the decoder busy for minutes. Real files have about ten; libjpeg's own
// tools offer the same kind of limit.
constexpr int kMaxScans = 1000;

// libjpeg's error manager with the jump target of the current decode. Trivially destructible,
// as everything is that a longjmp passes over.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
    char firstWarning[JMSG_LENGTH_MAX];
};

// Reads the file through File::ReadAt, so that it never blocks on a FIFO and never prints.
struct SourceManager {
    jpeg_source_mgr pub;
    const File* file;
    std::uint64_t offset;  // of the next byte to read from the file
    JOCTET* buffer;
    bool startOfFile;
    std::exception_ptr* readError;  // where a read failure waits until the decode has unwound
};

// A coefficient array kept in the scratch file, with a window of rows in memory: our version of
// libjpeg's virtual block array (its own memory manager in this build has no backing store).
// Allocated in libjpeg's image pool, so trivially destructible and freed with the pool.
struct SpilledArray {
    JDIMENSION rows;
    JDIMENSION blocksPerRow;
    JDIMENSION maxAccess;  // most rows libjpeg asks for at once
    bool preZero;          // rows never written read as zeros
    JBLOCKARRAY window;    // rows [first, first + windowRows) of the array
    JDIMENSION windowRows;
    JDIMENSION first;
    JDIMENSION defined;        // rows [0, defined) have been written at least once
    bool dirty;                // the window holds changes the file does not have yet
    std::uint64_t fileOffset;  // of row 0 in the scratch file
    SpilledArray* next;
};

enum class Failure { kNone, kLibjpeg, kTooManyCoefficients, kTooManyScans, kScratchFile };

struct DecodeContext {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    SourceManager src{};
    jpeg_progress_mgr progress{};
    bool created = false;
    Failure failure = Failure::kNone;
    std::exception_ptr readError;
    std::vector<JOCTET> input = std::vector<JOCTET>(kInputBufferSize);
    std::vector<JSAMPLE> decoded;   // a batch of rows as libjpeg gives them (RGB or CMYK)
    std::vector<JSAMPROW> rows;     // the rows of the batch in `decoded`
    JDIMENSION rowsRead = 0;        // by the last batch
    std::vector<std::uint8_t> rgb;  // the same row in RGB, for CMYK files
    PictureSink* sink = nullptr;
    const PictureLimits* limits = nullptr;
    std::string name;
    std::uint64_t fileSize = 0;
    int scratch = -1;  // the scratch file's descriptor; the file has no name
    int scratchErrno = 0;
    SpilledArray* spilled = nullptr;                  // in libjpeg's image pool
    std::uint64_t scratchSize = 0;                    // bytes of the scratch file given to arrays
    void (*realizeInMemory)(j_common_ptr) = nullptr;  // libjpeg's own realize_virt_arrays

    ~DecodeContext() {
        if (created) jpeg_destroy_decompress(&cinfo);
        if (scratch >= 0) CloseScratchFile(scratch);
    }
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (level -1) are counted and the first one kept; trace messages are dropped.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (err->warnings == 0) (*cinfo->err->format_message)(cinfo, err->firstWarning);
    ++err->warnings;
    ++cinfo->err->num_warnings;
}

// Called by libjpeg between passes and rows; ends a decode that has read too many scans.
void ProgressMonitor(j_common_ptr cinfo) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number <= kMaxScans) return;
    static_cast<DecodeContext*>(cinfo->client_data)->failure = Failure::kTooManyScans;
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    std::size_t got = 0;
    bool failed = false;
    try {
        got = src->file->ReadAt(src->offset, std::span(src->buffer, kInputBufferSize));
    } catch (...) {
        *src->readError = std::current_exception();
        failed = true;
    }
    // Out of the catch block before libjpeg's error exit jumps away.
    if (failed) ERREXIT(cinfo, JERR_FILE_READ);
    if (got == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A file cut short: end it with a made-up EOI marker, as libjpeg's own sources do.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    } else {
        src->offset += got;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    const auto bytes = static_cast<std::size_t>(count);
    if (bytes <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += bytes;
        src->pub.bytes_in_buffer -= bytes;
    } else {
        // Skip in the file itself; a skip past the end meets the end on the next fill.
        src->offset += bytes - src->pub.bytes_in_buffer;
        src->pub.bytes_in_buffer = 0;
    }
}

// ---- coefficients in a scratch file ----------------------------------------------------------
//
// A progressive or otherwise multi-scan file keeps every block's coefficients until its last scan
// (over 60 MB for a 6000x4000 photo). Above PictureLimits::maxCoefficientMemory they go to an
// unnamed temporary file instead: each scan passes over an array from top to bottom, so a window
// of rows in memory is enough. These functions replace libjpeg's memory manager methods for block
// arrays; they run inside libjpeg, so their locals are trivially destructible and their errors go
// through ERREXIT.

DecodeContext& ContextOf(j_common_ptr cinfo) {
    return *static_cast<DecodeContext*>(cinfo->client_data);
}

[[noreturn]] void ScratchFailed(j_common_ptr cinfo, int errorNumber, int code) {
    DecodeContext& c = ContextOf(cinfo);
    c.failure = Failure::kScratchFile;
    c.scratchErrno = errorNumber;
    ERREXIT(cinfo, code);
    std::abort();  // ERREXIT does not return
}

// Writes (or reads) the window's rows that hold data: those below `defined`.
void MoveWindow(j_common_ptr cinfo, SpilledArray& a, bool write) {
    const std::size_t rowBytes = std::size_t{a.blocksPerRow} * sizeof(JBLOCK);
    const JDIMENSION end = std::min({a.first + a.windowRows, a.defined, a.rows});
    const int fd = ContextOf(cinfo).scratch;
    for (JDIMENSION row = a.first; row < end;) {
        // Rows allocated one after another are moved in one call.
        JDIMENSION last = row + 1;
        while (last < end &&
               a.window[last - a.first] == a.window[last - 1 - a.first] + a.blocksPerRow) {
            ++last;
        }
        auto* bytes = reinterpret_cast<char*>(a.window[row - a.first]);
        const std::size_t count = rowBytes * (last - row);
        const std::uint64_t offset = a.fileOffset + std::uint64_t{row} * rowBytes;
        const int error =
            write ? WriteScratch(fd, bytes, count, offset) : ReadScratch(fd, bytes, count, offset);
        if (error != 0) ScratchFailed(cinfo, error, write ? JERR_TFILE_WRITE : JERR_TFILE_READ);
        row = last;
    }
}

jvirt_barray_ptr RequestSpilledArray(j_common_ptr cinfo, int pool, boolean preZero,
                                     JDIMENSION blocksPerRow, JDIMENSION rows,
                                     JDIMENSION maxAccess) {
    if (pool != JPOOL_IMAGE) ERREXIT1(cinfo, JERR_BAD_POOL_ID, pool);
    auto* a = static_cast<SpilledArray*>(
        (*cinfo->mem->alloc_small)(cinfo, JPOOL_IMAGE, sizeof(SpilledArray)));
    DecodeContext& c = ContextOf(cinfo);
    *a = SpilledArray{.rows = rows,
                      .blocksPerRow = blocksPerRow,
                      .maxAccess = maxAccess,
                      .preZero = preZero != FALSE,
                      .window = nullptr,
                      .windowRows = 0,
                      .first = 0,
                      .defined = 0,
                      .dirty = false,
                      .fileOffset = 0,
                      .next = c.spilled};
    c.spilled = a;
    return reinterpret_cast<jvirt_barray_ptr>(a);
}

// The windows share PictureLimits::maxCoefficientMemory: each holds the same number of rows, and
// at least as many as libjpeg asks for at once.
void RealizeSpilledArrays(j_common_ptr cinfo) {
    DecodeContext& c = ContextOf(cinfo);
    (*c.realizeInMemory)(cinfo);  // sample arrays, if any, stay libjpeg's
    std::uint64_t rowBytesOfAll = 0;
    for (const SpilledArray* a = c.spilled; a != nullptr; a = a->next)
        rowBytesOfAll += std::uint64_t{a->blocksPerRow} * sizeof(JBLOCK);
    const std::uint64_t sharedRows =
        c.limits->maxCoefficientMemory / std::max<std::uint64_t>(1, rowBytesOfAll);
    for (SpilledArray* a = c.spilled; a != nullptr; a = a->next) {
        if (a->window != nullptr) continue;  // realized before
        a->fileOffset = c.scratchSize;
        c.scratchSize += std::uint64_t{a->rows} * a->blocksPerRow * sizeof(JBLOCK);
        a->windowRows = static_cast<JDIMENSION>(std::min<std::uint64_t>(
            a->rows, std::max<std::uint64_t>({a->maxAccess, sharedRows, 1})));
        a->window = (*cinfo->mem->alloc_barray)(cinfo, JPOOL_IMAGE, a->blocksPerRow, a->windowRows);
    }
}

// libjpeg's access rule: rows [start, start + count) in memory, at most maxAccess of them; rows
// never written read as zeros (the window moves as libjpeg's own backing store moves it).
JBLOCKARRAY AccessSpilledArray(j_common_ptr cinfo, jvirt_barray_ptr pointer, JDIMENSION start,
                               JDIMENSION count, boolean writable) {
    SpilledArray& a = *reinterpret_cast<SpilledArray*>(pointer);
    const JDIMENSION end = start + count;
    if (end > a.rows || count > a.maxAccess || a.window == nullptr)
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    if (start < a.first || end > a.first + a.windowRows) {
        if (a.dirty) {
            MoveWindow(cinfo, a, true);
            a.dirty = false;
        }
        // Forward passes keep the rows asked for at the window's top; backward at its bottom.
        a.first = start > a.first ? start : (end > a.windowRows ? end - a.windowRows : 0);
        a.first = std::min(a.first, a.rows - a.windowRows);
        MoveWindow(cinfo, a, false);
    }
    if (a.defined < end) {
        JDIMENSION undefined = a.defined;
        if (a.defined < start) {
            if (writable) ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
            undefined = start;
        }
        if (writable) a.defined = end;
        if (!a.preZero && !writable) ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
        if (a.preZero) {
            for (JDIMENSION row = undefined; row < end; ++row)
                std::memset(a.window[row - a.first], 0,
                            std::size_t{a.blocksPerRow} * sizeof(JBLOCK));
        }
    }
    if (writable) a.dirty = true;
    return a.window + (start - a.first);
}

std::uint64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        blocks += std::uint64_t{c.width_in_blocks} * c.height_in_blocks;
    }
    return blocks * DCTSIZE2 * sizeof(JCOEF);
}

// Converts a CMYK row to RGB. Adobe's files store every channel inverted (255 is no ink); plain
// CMYK files store the amount of ink.
void CmykToRgb(const JSAMPLE* cmyk, std::uint8_t* rgb, std::size_t width, bool inverted) {
    for (std::size_t x = 0; x < width; ++x, cmyk += 4) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int i = 0; i < 3; ++i) {
            const unsigned c = inverted ? cmyk[i] : 255u - cmyk[i];
            *rgb++ = static_cast<std::uint8_t>((c * k + 127) / 255);
        }
    }
}

// Runs `step`, which calls libjpeg functions and nothing else, with the error manager's jump
// target in this frame: a libjpeg error, or a stop asked for by our callbacks, ends the step
// through longjmp. The only function that calls setjmp. Neither it nor a step holds anything
// with a destructor, so the jump passes over nothing that needs cleaning up. Returns false on
// such a failure, recorded in the context.
template <typename Step>
bool Guarded(DecodeContext& c, const Step& step) {
    if (setjmp(c.err.jump)) {
        if (c.failure == Failure::kNone) c.failure = Failure::kLibjpeg;
        return false;
    }
    step();
    return true;
}

// Where a progressive picture's coefficients are kept: refused when they would be far more than
// the file's size can describe, spilled to a scratch file when they would take more memory than
// the limits allow. False on a refusal recorded in the context.
bool PlanCoefficients(DecodeContext& c) {
    if (jpeg_has_multiple_scans(&c.cinfo)) {
        const std::uint64_t bytes = CoefficientBytes(c.cinfo);
        if (bytes > kFreeCoefficientBytes &&
            bytes / (DCTSIZE2 * sizeof(JCOEF)) > c.fileSize * kMaxBlocksPerFileByte) {
            c.failure = Failure::kTooManyCoefficients;
            return false;
        }
    }
    if (jpeg_has_multiple_scans(&c.cinfo) &&
        CoefficientBytes(c.cinfo) > c.limits->maxCoefficientMemory) {
        c.scratch = OpenScratchFile();
    }
    if (c.scratch >= 0) {  // without one the coefficients stay in memory
        jpeg_memory_mgr& mem = *c.cinfo.mem;
        c.realizeInMemory = mem.realize_virt_arrays;
        mem.request_virt_barray = RequestSpilledArray;
        mem.realize_virt_arrays = RealizeSpilledArrays;
        mem.access_virt_barray = AccessSpilledArray;
    }
    return true;
}

// The rows, batch by batch, handed to the sink as RGB. False on a failure recorded in the
// context.
bool ReadRows(DecodeContext& c, bool cmyk) {
    const std::size_t width = c.cinfo.output_width;
    const std::size_t rowSize = width * static_cast<std::size_t>(c.cinfo.output_components);
    // As many rows at a time as libjpeg prefers to give (1 to 4).
    const auto batch = static_cast<JDIMENSION>(std::max(1, c.cinfo.rec_outbuf_height));
    c.decoded.resize(rowSize * batch);
    c.rows.resize(batch);
    for (JDIMENSION i = 0; i < batch; ++i) c.rows[i] = c.decoded.data() + i * rowSize;
    if (cmyk) c.rgb.resize(width * 3);
    c.sink->Start(static_cast<int>(width), static_cast<int>(c.cinfo.output_height),
                  RowOrder::kTopDown);
    while (c.cinfo.output_scanline < c.cinfo.output_height) {
        const bool read = Guarded(
            c, [&c, batch] { c.rowsRead = jpeg_read_scanlines(&c.cinfo, c.rows.data(), batch); });
        if (!read) return false;
        for (JDIMENSION i = 0; i < c.rowsRead; ++i) {
            const std::span<const std::uint8_t> row(c.rows[i], rowSize);
            if (cmyk) {
                CmykToRgb(row.data(), c.rgb.data(), width, c.cinfo.saw_Adobe_marker);
                c.sink->Row(c.rgb);
            } else {
                c.sink->Row(row);
            }
        }
    }
    return true;
}

// The decode, with every libjpeg call in a guarded step of its own (the header, the start, each
// batch of rows, the finish); the size checks, which build texts, and the sink, which may throw,
// run between them. Returns false on a failure recorded in the context.
bool RunDecode(DecodeContext& c) {
    c.created = true;  // destroying a half-created decompressor is safe
    const bool headerRead = Guarded(c, [&c] {
        jpeg_create_decompress(&c.cinfo);
        c.cinfo.client_data = &c;
        c.cinfo.src = &c.src.pub;
        c.cinfo.progress = &c.progress;
        jpeg_read_header(&c.cinfo, TRUE);
    });
    if (!headerRead) return false;

    // Before libjpeg allocates anything in proportion to the picture.
    CheckPictureSize(c.cinfo.image_width, c.cinfo.image_height, *c.limits, kBadJpegText, c.name);
    if (!PlanCoefficients(c)) return false;
    const bool cmyk = c.cinfo.jpeg_color_space == JCS_CMYK || c.cinfo.jpeg_color_space == JCS_YCCK;
    c.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;

    if (!Guarded(c, [&c] { jpeg_start_decompress(&c.cinfo); })) return false;
    if (!ReadRows(c, cmyk)) return false;
    return Guarded(c, [&c] { jpeg_finish_decompress(&c.cinfo); });
}

}  // namespace

JpegReport DecodeJpeg(const std::filesystem::path& file, PictureSink& sink,
                      const PictureLimits& limits) {
    const File input = File::OpenRead(file);
    auto c = std::make_unique<DecodeContext>();
    c->sink = &sink;
    c->limits = &limits;
    c->name = Utf8FromPath(file);
    c->fileSize = input.Size();

    c->cinfo.err = jpeg_std_error(&c->err.pub);
    c->err.pub.error_exit = ErrorExit;
    c->err.pub.emit_message = EmitMessage;

    c->src.pub.init_source = InitSource;
    c->src.pub.fill_input_buffer = FillInputBuffer;
    c->src.pub.skip_input_data = SkipInputData;
    c->src.pub.resync_to_restart = jpeg_resync_to_restart;
    c->src.pub.term_source = TermSource;
    c->src.file = &input;
    c->src.buffer = c->input.data();
    c->src.startOfFile = true;
    c->src.readError = &c->readError;
    c->progress.progress_monitor = ProgressMonitor;

    if (!RunDecode(*c)) {
        if (c->readError) std::rethrow_exception(c->readError);
        if (c->failure == Failure::kTooManyScans) {
            throw FormatError(
                kBadJpegText, c->name,
                "スキャンが多すぎます (" + std::to_string(kMaxScans) + " を超えています)");
        }
        if (c->failure == Failure::kScratchFile) {
            throw FormatError(kBadJpegText, c->name,
                              "一時ファイルを読み書きできません: " +
                                  std::system_category().message(c->scratchErrno));
        }
        if (c->failure == Failure::kTooManyCoefficients) {
            throw FormatError(kBadJpegText, c->name,
                              "プログレッシブ JPEG の画像がファイルの大きさに比べて大きすぎます");
        }
        throw FormatError(kBadJpegText, c->name, c->err.message);
    }
    JpegReport report;
    report.width = static_cast<int>(c->cinfo.output_width);
    report.height = static_cast<int>(c->cinfo.output_height);
    report.warnings = c->err.warnings;
    if (report.warnings > 0) report.firstWarning = c->err.firstWarning;
    return report;
}

Picture24 ReadJpeg(const std::filesystem::path& file, const PictureLimits& limits,
                   JpegReport* report) {
    Picture24Sink sink;
    JpegReport result = DecodeJpeg(file, sink, limits);
    if (report != nullptr) *report = std::move(result);
    return std::move(sink.picture());
}

}  // namespace corvina
