#pragma once

// Writes JPEG files with libjpeg's compressor, for tests, the benchmark and fuzz seeds. The
// pictures are made by the caller; libjpeg's default error handler is fine here, as the inputs
// are always valid.
#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

namespace corvina::test {

struct JpegOptions {
    J_COLOR_SPACE inputSpace = JCS_RGB;   // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    J_COLOR_SPACE fileSpace = JCS_YCbCr;  // what the file stores, e.g. JCS_YCCK for CMYK input
    int quality = 90;
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;
    bool fullChroma = false;  // 4:4:4 instead of libjpeg's default 4:2:0
};

// `row(y, samples)` fills row y (components per pixel as inputSpace says).
inline std::vector<std::uint8_t> EncodeJpeg(int width, int height, const JpegOptions& options,
                                            const std::function<void(int, std::uint8_t*)>& row) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.in_color_space = options.inputSpace;
    cinfo.input_components = options.inputSpace == JCS_GRAYSCALE ? 1
                             : options.inputSpace == JCS_CMYK    ? 4
                                                                 : 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo,
                        options.inputSpace == JCS_GRAYSCALE ? JCS_GRAYSCALE : options.fileSpace);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.fullChroma) {
        for (int i = 0; i < cinfo.num_components; ++i) {
            cinfo.comp_info[i].h_samp_factor = 1;
            cinfo.comp_info[i].v_samp_factor = 1;
        }
    }
    if (options.progressive) jpeg_simple_progression(&cinfo);
    cinfo.arith_code = options.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = options.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(width) * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        row(static_cast<int>(cinfo.next_scanline), samples.data());
        JSAMPROW pointer = samples.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

inline void WriteFileBytes(const std::filesystem::path& path,
                           const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace corvina::test
