#include "core/pictures/bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "core/base/little_endian.h"
#include "core/base/path_text.h"
#include "core/os/files.h"

namespace corvina {

namespace {

// Header sizes, in bytes. The 52- and 56-byte forms are BITMAPINFOHEADER with the colour masks
// (and the alpha mask) inside the header; V4 and V5 extend them further.
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kInfoV2HeaderSize = 52;
constexpr std::uint32_t kInfoV3HeaderSize = 56;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kMaskBytes = 12;  // red, green, blue masks after a 40-byte header

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

// Pixels per metre beyond any real device (1,000,000 is 25,400 dots per inch): a density above
// it marks a damaged header.
constexpr std::int64_t kMaxDensity = 1'000'000;

constexpr std::size_t kStreamChunk = 64 * 1024;

// One colour channel of a 16- or 32-bit pixel: its mask, and its values scaled to 0..255.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        shift_ = std::countr_zero(mask);
        const int bits = std::popcount(mask);
        max_ = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        if (bits <= 16) {
            table_.resize(std::size_t{max_} + 1);
            for (std::uint32_t v = 0; v <= max_; ++v) table_[v] = Scale(v);
        }
    }

    std::uint8_t Value(std::uint32_t pixel) const noexcept {
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return table_.empty() ? Scale(v) : table_[v];
    }

private:
    std::uint8_t Scale(std::uint32_t v) const noexcept {
        return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
    }
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    std::uint32_t max_ = 1;
    std::vector<std::uint8_t> table_;
};

// A mask that Windows accepts: some bits, all of them in one run.
bool IsContiguousMask(std::uint32_t mask) noexcept {
    if (mask == 0) return false;
    const std::uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

// Reads the compressed data of an RLE bitmap byte by byte through a small buffer.
class ByteStream {
public:
    ByteStream(const File& file, std::uint64_t offset, std::uint64_t size)
        : file_(file), next_(offset), end_(offset + size) {}

    // False at the end of the data.
    bool Next(std::uint8_t& byte) {
        if (pos_ == buffer_.size()) {
            if (next_ >= end_) return false;
            buffer_.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(kStreamChunk, end_ - next_)));
            const std::size_t got = file_.ReadAt(next_, buffer_);
            buffer_.resize(got);
            next_ = got == 0 ? end_ : next_ + got;
            pos_ = 0;
            if (got == 0) return false;
        }
        byte = buffer_[pos_++];
        return true;
    }

private:
    const File& file_;
    std::uint64_t next_;
    std::uint64_t end_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
};

class BitmapReader {
public:
    BitmapReader(const std::filesystem::path& path, const PictureLimits& limits)
        : file_(File::OpenRead(path)), name_(Utf8FromPath(path)), limits_(limits) {
        fileSize_ = file_.Size();
    }

    void Decode(PictureSink& sink) {
        ReadHeaders();
        sink.Start(width_, height_, topDown_ ? RowOrder::kTopDown : RowOrder::kBottomUp);
        if (compression_ == kBiRle8 || compression_ == kBiRle4) {
            DecodeRle(sink);
        } else {
            DecodeRows(sink);
        }
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const {
        throw FormatError(kBadBitmapText, name_, reason);
    }

    void ReadExact(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
        if (file_.ReadAt(offset, buffer) != buffer.size()) Fail("ファイルが途中で切れています");
    }

    void ReadHeaders();
    struct InfoFields {
        std::uint32_t colorsUsed = 0;
        std::uint32_t sizeImage = 0;
    };
    InfoFields ReadInfoHeader(bool core, std::span<const std::uint8_t> h);
    void CheckCompression(bool core);
    std::uint64_t ReadColourMasks(std::span<const std::uint8_t> header, std::uint32_t headerSize,
                                  std::size_t got);
    void ReadDeclaredPalette(bool core, std::uint32_t colorsUsed, std::uint64_t paletteStart);
    void CheckPixelDataSize(std::uint32_t sizeImage);
    void ReadPalette(std::uint64_t start, std::uint32_t entrySize, std::uint64_t count);
    void DecodeRows(PictureSink& sink);
    class RleCanvas;
    void DecodeRle(PictureSink& sink);

    const std::array<std::uint8_t, 3>& PaletteColour(unsigned index) const {
        if (index >= palette_.size()) {
            Fail("パレットにない色番号 " + std::to_string(index) + " があります (パレットは " +
                 std::to_string(palette_.size()) + " 色)");
        }
        return palette_[index];
    }

    File file_;
    std::string name_;
    PictureLimits limits_;
    std::uint64_t fileSize_ = 0;

    int width_ = 0;
    int height_ = 0;
    bool topDown_ = false;
    unsigned bitCount_ = 0;
    std::uint32_t compression_ = kBiRgb;
    std::uint64_t dataOffset_ = 0;
    std::uint64_t dataSize_ = 0;  // bytes of pixel data the file holds from dataOffset_
    std::vector<std::array<std::uint8_t, 3>> palette_;  // red, green, blue
    std::array<Channel, 3> channels_;                   // red, green, blue (16 and 32 bits)
    bool maskedPixels_ = false;                         // 16 or 32 bits read through channels_
};

void BitmapReader::ReadHeaders() {
    std::array<std::uint8_t, kFileHeaderSize + kV5HeaderSize + kMaskBytes> head{};
    const std::size_t got = file_.ReadAt(0, head);
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        Fail(
            "中身は JPEG です。JPEG として読むのは拡張子が \".jpg\" か \".JPG\" "
            "のファイルだけです");
    }
    if (got < kFileHeaderSize + 4) Fail("ファイルが短すぎます");
    if (head[0] != 'B' || head[1] != 'M') Fail("先頭が \"BM\" ではありません");
    const std::uint32_t fileSizeField = ReadLe32(head, 2);
    const std::uint32_t offBits = ReadLe32(head, 10);
    const std::uint32_t headerSize = ReadLe32(head, 14);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && headerSize != kInfoHeaderSize && headerSize != kInfoV2HeaderSize &&
        headerSize != kInfoV3HeaderSize && headerSize != kV4HeaderSize &&
        headerSize != kV5HeaderSize) {
        Fail("ヘッダーの大きさ " + std::to_string(headerSize) + " には対応していません");
    }
    if (got < kFileHeaderSize + headerSize) Fail("ファイルが途中で切れています");
    const auto h = std::span<const std::uint8_t>(head).subspan(kFileHeaderSize);

    const InfoFields info = ReadInfoHeader(core, h);
    CheckCompression(core);
    if (fileSizeField > fileSize_) {
        Fail("ヘッダーのファイル サイズ (" + std::to_string(fileSizeField) +
             " バイト) が実際の大きさ (" + std::to_string(fileSize_) + " バイト) より大きいです");
    }

    const std::uint64_t paletteStart = ReadColourMasks(h, headerSize, got);

    if (offBits < paletteStart || offBits > fileSize_) {
        Fail("画素データの位置 (" + std::to_string(offBits) + ") が正しくありません");
    }
    dataOffset_ = offBits;
    dataSize_ = fileSize_ - offBits;

    ReadDeclaredPalette(core, info.colorsUsed, paletteStart);
    CheckPixelDataSize(info.sizeImage);
}

// The palette: colorsUsed entries (all that the bit depth allows when zero), of which only
// those up to the bit depth's count matter; a palette that overlaps the pixel data is cut
// short there, as some writers leave out the unused tail.
void BitmapReader::ReadDeclaredPalette(bool core, std::uint32_t colorsUsed,
                                       std::uint64_t paletteStart) {
    const std::uint32_t entrySize = core ? 3 : 4;
    const std::uint64_t depthColors = bitCount_ <= 8 ? (std::uint64_t{1} << bitCount_) : 0;
    const std::uint64_t declared = colorsUsed != 0 ? colorsUsed : depthColors;
    if (std::uint64_t{colorsUsed} * entrySize > fileSize_ - std::min(fileSize_, paletteStart)) {
        Fail("パレットの色数 (" + std::to_string(colorsUsed) + ") がファイルに収まりません");
    }
    if (bitCount_ <= 8) {
        const std::uint64_t available = (dataOffset_ - paletteStart) / entrySize;
        ReadPalette(paletteStart, entrySize, std::min({declared, depthColors, available}));
    }
}

// The picture's size, row order and depth from the header after the file header (a core or an
// info header), checked; the fields the later checks need.
BitmapReader::InfoFields BitmapReader::ReadInfoHeader(bool core, std::span<const std::uint8_t> h) {
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned planes = 0;
    InfoFields info;
    if (core) {
        width = ReadLe16(h, 4);
        height = ReadLe16(h, 6);
        planes = ReadLe16(h, 8);
        bitCount_ = ReadLe16(h, 10);
    } else {
        width = static_cast<std::int32_t>(ReadLe32(h, 4));
        height = static_cast<std::int32_t>(ReadLe32(h, 8));
        planes = ReadLe16(h, 12);
        bitCount_ = ReadLe16(h, 14);
        compression_ = ReadLe32(h, 16);
        info.sizeImage = ReadLe32(h, 20);
        const auto xDensity = static_cast<std::int32_t>(ReadLe32(h, 24));
        const auto yDensity = static_cast<std::int32_t>(ReadLe32(h, 28));
        info.colorsUsed = ReadLe32(h, 32);
        if (xDensity > kMaxDensity || yDensity > kMaxDensity) {
            Fail("解像度の値 (" + std::to_string(xDensity) + ", " + std::to_string(yDensity) +
                 " ピクセル/メートル) がありえない値です");
        }
    }
    if (height < 0) {
        topDown_ = true;
        height = -height;
    }
    CheckPictureSize(width, height, limits_, kBadBitmapText, name_);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    if (planes != 1) Fail("プレーン数が 1 ではありません (" + std::to_string(planes) + ")");
    return info;
}

// The compression and the bit depth fit together, and RLE runs bottom-up.
void BitmapReader::CheckCompression(bool core) {
    bool bitCountFits = false;
    switch (compression_) {
        case kBiRgb:
            bitCountFits = bitCount_ == 1 || bitCount_ == 2 || bitCount_ == 4 || bitCount_ == 8 ||
                           bitCount_ == 24 || (!core && (bitCount_ == 16 || bitCount_ == 32));
            break;
        case kBiRle8:
            bitCountFits = bitCount_ == 8;
            break;
        case kBiRle4:
            bitCountFits = bitCount_ == 4;
            break;
        case kBiBitfields:
            bitCountFits = bitCount_ == 16 || bitCount_ == 32;
            break;
        default:
            Fail("圧縮形式 " + std::to_string(compression_) + " には対応していません");
    }
    if (!bitCountFits) {
        Fail("ビット数 " + std::to_string(bitCount_) + " は圧縮形式 " +
             std::to_string(compression_) + " では使えません");
    }
    const bool rle = compression_ == kBiRle8 || compression_ == kBiRle4;
    if (rle && topDown_) Fail("RLE 圧縮のビットマップは上から下へは格納できません");
}

// The colour masks of a bitfields bitmap, inside 52-byte and larger headers or right after a
// 40-byte one, or the 5-5-5 masks of a plain 16-bit one; where the palette starts, after them.
std::uint64_t BitmapReader::ReadColourMasks(std::span<const std::uint8_t> header,
                                            std::uint32_t headerSize, std::size_t got) {
    std::uint64_t paletteStart = kFileHeaderSize + headerSize;
    if (compression_ == kBiBitfields) {
        if (headerSize == kInfoHeaderSize) {
            if (got < kFileHeaderSize + kInfoHeaderSize + kMaskBytes)
                Fail("ファイルが途中で切れています");
            paletteStart += kMaskBytes;
        }
        const std::array<std::uint32_t, 3> mask = {ReadLe32(header, kInfoHeaderSize),
                                                   ReadLe32(header, kInfoHeaderSize + 4),
                                                   ReadLe32(header, kInfoHeaderSize + 8)};
        const std::uint32_t allowed = bitCount_ == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        const bool valid =
            std::all_of(
                mask.begin(), mask.end(),
                [&](std::uint32_t m) { return IsContiguousMask(m) && (m & ~allowed) == 0; }) &&
            (mask[0] & mask[1]) == 0 && (mask[0] & mask[2]) == 0 && (mask[1] & mask[2]) == 0;
        if (!valid) Fail("色のビット マスクが正しくありません");
        for (int i = 0; i < 3; ++i) channels_[i] = Channel(mask[i]);
        maskedPixels_ = true;
    } else if (bitCount_ == 16) {
        channels_ = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
        maskedPixels_ = true;
    }
    return paletteStart;
}

// The pixel data the header promises fits in the file.
void BitmapReader::CheckPixelDataSize(std::uint32_t sizeImage) {
    if (sizeImage != 0 && sizeImage > dataSize_) {
        Fail("ヘッダーの画素データの大きさ (" + std::to_string(sizeImage) +
             " バイト) がファイルに収まりません");
    }
    if (compression_ == kBiRle8 || compression_ == kBiRle4) {
        if (sizeImage != 0) dataSize_ = sizeImage;
        // An RLE encoder ends every row with a two-byte code; deltas and the end-of-bitmap code
        // may skip rows, but a file with fewer data bytes than rows is not a picture.
        if (dataSize_ < static_cast<std::uint64_t>(height_)) {
            Fail("RLE データが画像の行数より短いです");
        }
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(width_) * bitCount_;
        const std::uint64_t rowBytes = (bits + 31) / 32 * 4;
        const std::uint64_t needed =
            rowBytes * static_cast<std::uint64_t>(height_ - 1) + (bits + 7) / 8;
        if (needed > dataSize_) {
            Fail("画素データ (" + std::to_string(needed) + " バイト) がファイルに収まりません");
        }
    }
}

void BitmapReader::ReadPalette(std::uint64_t start, std::uint32_t entrySize, std::uint64_t count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count * entrySize));
    ReadExact(start, bytes);
    palette_.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const std::uint8_t* entry = &bytes[i * entrySize];  // blue, green, red[, reserved]
        palette_[i] = {entry[2], entry[1], entry[0]};
    }
}

void BitmapReader::DecodeRows(PictureSink& sink) {
    const std::uint64_t bits = static_cast<std::uint64_t>(width_) * bitCount_;
    const auto rowBytes = static_cast<std::size_t>((bits + 31) / 32 * 4);
    const auto usedBytes = static_cast<std::size_t>((bits + 7) / 8);
    std::vector<std::uint8_t> raw(rowBytes);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width_) * 3);
    const auto width = static_cast<std::size_t>(width_);

    for (int row = 0; row < height_; ++row) {
        ReadExact(dataOffset_ + static_cast<std::uint64_t>(row) * rowBytes,
                  std::span(raw).first(usedBytes));
        std::uint8_t* out = rgb.data();
        if (bitCount_ <= 8) {
            const unsigned perByte = 8 / bitCount_;
            const unsigned mask = (1u << bitCount_) - 1;
            for (std::size_t x = 0; x < width; ++x) {
                const unsigned shift = 8 - bitCount_ * (1 + static_cast<unsigned>(x % perByte));
                const auto& colour = PaletteColour((raw[x / perByte] >> shift) & mask);
                out = std::copy(colour.begin(), colour.end(), out);
            }
        } else if (bitCount_ == 24 || (bitCount_ == 32 && !maskedPixels_)) {
            const std::size_t step = bitCount_ / 8;  // blue, green, red[, unused]
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t* p = &raw[x * step];
                *out++ = p[2];
                *out++ = p[1];
                *out++ = p[0];
            }
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t pixel =
                    bitCount_ == 16 ? ReadLe16(raw, x * 2) : ReadLe32(raw, x * 4);
                for (const Channel& channel : channels_) *out++ = channel.Value(pixel);
            }
        }
        sink.Row(rgb);
    }
}

// The rows an RLE bitmap paints, from the bottom up, each handed to the sink once it ends; the
// pixels no code reaches stay black.
class BitmapReader::RleCanvas {
public:
    RleCanvas(const BitmapReader& reader, PictureSink& sink)
        : reader_(reader), sink_(sink), rgb_(static_cast<std::size_t>(reader.width_) * 3, 0) {}

    bool Complete() const noexcept { return rowsDone_ == reader_.height_; }

    void EndRow() {
        if (rowsDone_ >= reader_.height_) reader_.Fail("RLE データが画像の上端を越えています");
        sink_.Row(rgb_);
        std::fill(rgb_.begin(), rgb_.end(), 0);
        ++rowsDone_;
    }
    void EndLine() {
        EndRow();
        x_ = 0;
    }
    void EndBitmap() {
        while (rowsDone_ < reader_.height_) EndRow();
    }
    // Moves right and up, leaving the pixels passed over black.
    void Move(unsigned dx, unsigned dy) {
        if (x_ + static_cast<int>(dx) > reader_.width_)
            reader_.Fail("RLE データが行の右端を越えています");
        if (rowsDone_ + static_cast<int>(dy) > reader_.height_)
            reader_.Fail("RLE データが画像の上端を越えています");
        for (unsigned i = 0; i < dy; ++i) EndRow();
        x_ += static_cast<int>(dx);
    }
    void Put(unsigned index) {
        if (rowsDone_ >= reader_.height_) reader_.Fail("RLE データが画像の上端を越えています");
        if (x_ >= reader_.width_) reader_.Fail("RLE データが行の右端を越えています");
        const auto& colour = reader_.PaletteColour(index);
        std::copy(colour.begin(), colour.end(), rgb_.begin() + static_cast<std::ptrdiff_t>(x_) * 3);
        ++x_;
    }

private:
    const BitmapReader& reader_;
    PictureSink& sink_;
    std::vector<std::uint8_t> rgb_;
    int rowsDone_ = 0;  // rows handed to the sink, from the bottom
    int x_ = 0;
};

void BitmapReader::DecodeRle(PictureSink& sink) {
    const bool rle8 = compression_ == kBiRle8;
    ByteStream data(file_, dataOffset_, dataSize_);
    RleCanvas canvas(*this, sink);
    const auto next = [&]() {
        std::uint8_t byte = 0;
        if (!data.Next(byte)) Fail("RLE データが途中で終わっています");
        return byte;
    };

    for (;;) {
        std::uint8_t count = 0;
        if (!data.Next(count)) {
            // The data may end without an end-of-bitmap code once every row is complete.
            if (canvas.Complete()) return;
            Fail("RLE データが途中で終わっています");
        }
        const std::uint8_t value = next();
        if (count > 0) {  // a run of `count` pixels; RLE4 alternates the two nibbles
            for (unsigned i = 0; i < count; ++i) {
                canvas.Put(rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                canvas.EndLine();
                break;
            case 1:  // end of bitmap: the rows not reached stay black
                canvas.EndBitmap();
                return;
            case 2: {  // delta
                const std::uint8_t dx = next();
                const std::uint8_t dy = next();
                canvas.Move(dx, dy);
                break;
            }
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const unsigned pixels = value;
                std::uint8_t byte = 0;
                for (unsigned i = 0; i < pixels; ++i) {
                    if (rle8) {
                        canvas.Put(next());
                    } else {
                        if (i % 2 == 0) byte = next();
                        canvas.Put(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
                    }
                }
                const unsigned bytes = rle8 ? pixels : (pixels + 1) / 2;
                if (bytes % 2 != 0) next();
                break;
            }
        }
    }
}

// Writes the file header and a BITMAPINFOHEADER for a bottom-up BI_RGB bitmap.
std::vector<std::uint8_t> StartBitmap(int width, int height, unsigned bitCount,
                                      std::size_t rowBytes) {
    const std::size_t dataSize = rowBytes * static_cast<std::size_t>(height);
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;
    std::vector<std::uint8_t> out(offset + dataSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    WriteLe32(out, 2, static_cast<std::uint32_t>(out.size()));
    WriteLe32(out, 10, static_cast<std::uint32_t>(offset));
    WriteLe32(out, 14, kInfoHeaderSize);
    WriteLe32(out, 18, static_cast<std::uint32_t>(width));
    WriteLe32(out, 22, static_cast<std::uint32_t>(height));
    WriteLe16(out, 26, 1);  // planes
    WriteLe16(out, 28, static_cast<std::uint16_t>(bitCount));
    WriteLe32(out, 30, kBiRgb);
    WriteLe32(out, 34, static_cast<std::uint32_t>(dataSize));
    // Density, colours used and important colours stay zero.
    return out;
}

}  // namespace

void DecodeBitmap(const std::filesystem::path& file, PictureSink& sink,
                  const PictureLimits& limits) {
    BitmapReader(file, limits).Decode(sink);
}

Picture24 ReadBitmap(const std::filesystem::path& file, const PictureLimits& limits) {
    Picture24Sink sink;
    DecodeBitmap(file, sink, limits);
    return std::move(sink.picture());
}

std::vector<std::uint8_t> EncodeBitmap16(const Picture15& picture) {
    const auto width = static_cast<std::size_t>(picture.width());
    const std::size_t rowBytes = (width * 2 + 3) / 4 * 4;
    auto out = StartBitmap(picture.width(), picture.height(), 16, rowBytes);
    std::size_t at = kFileHeaderSize + kInfoHeaderSize;
    for (int y = picture.height() - 1; y >= 0; --y, at += rowBytes) {
        for (int x = 0; x < picture.width(); ++x) {
            WriteLe16(out, at + static_cast<std::size_t>(x) * 2, picture.at(x, y) & 0x7FFFu);
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodeBitmap24(const Picture15& picture) {
    const auto width = static_cast<std::size_t>(picture.width());
    const std::size_t rowBytes = (width * 3 + 3) / 4 * 4;
    auto out = StartBitmap(picture.width(), picture.height(), 24, rowBytes);
    const auto expand = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
    std::size_t at = kFileHeaderSize + kInfoHeaderSize;
    for (int y = picture.height() - 1; y >= 0; --y, at += rowBytes) {
        std::uint8_t* p = &out[at];
        for (int x = 0; x < picture.width(); ++x) {
            const unsigned v = picture.at(x, y);
            *p++ = expand(v & 0x1F);          // blue
            *p++ = expand((v >> 5) & 0x1F);   // green
            *p++ = expand((v >> 10) & 0x1F);  // red
        }
    }
    return out;
}

}  // namespace corvina
