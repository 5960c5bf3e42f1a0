#include "formats/sat_tags.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace corvina {

namespace {

// The reader takes in one range, from the Title field to the end of the Genre field's 100 bytes.
constexpr std::uint64_t kReadStart = kTitleOffset;
constexpr std::size_t kReadSize = kTagBlockReadEnd - kReadStart;  // 670

using Block = std::array<std::uint8_t, kReadSize>;

std::string TextAt(const Block& block, std::uint64_t offset) {
    const std::size_t start = offset - kReadStart;
    std::string text;
    text.reserve(kTextReadSize);
    for (std::size_t i = 0; i < kTextReadSize; i += 2) {
        // Each unit is little-endian and goes through the code page on its own.
        const auto unit = static_cast<char16_t>(block[start + i] | block[start + i + 1] << 8);
        if (unit == 0) break;
        if (unit < 0x80) {
            text += static_cast<char>(unit);  // ASCII goes through the code page unchanged
        } else {
            text += cp932::UnitToUtf8(unit);
        }
    }
    return text;
}

// The bytes a rewrite may own, 256 to 821, composed in memory; only the ranges a request
// changes are written from it.
constexpr std::uint64_t kImageStart = kArtistOffset;
using Image = std::array<std::uint8_t, kTagBlockWriteEnd - kImageStart>;

struct Range {
    std::uint64_t offset;
    std::size_t size;
};

void PutUnit(Image& image, std::uint64_t offset, char16_t unit) {
    image[offset - kImageStart] = static_cast<std::uint8_t>(unit & 0xFF);
    image[offset - kImageStart + 1] = static_cast<std::uint8_t>(unit >> 8);
}

// A text field: the units of the text's code page characters (at most 61), then zeros to the
// end of its 124 bytes, which give the end mark.
Range PutTextField(Image& image, std::uint64_t offset, std::string_view utf8) {
    const std::u16string units = cp932::Utf8ToUnits(utf8);
    const std::size_t count = std::min(units.size(), kMaxTextUnits);
    for (std::size_t k = 0; k < count; ++k) PutUnit(image, offset + 2 * k, units[k]);
    return {offset, kTextFieldSize};
}

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

void CheckRequest(const std::filesystem::path& path, const TagRewrite& request) {
    if (request.track && (*request.track < kMinTrack || *request.track > kMaxTrack)) {
        throw std::invalid_argument("トラック番号は " + std::to_string(kMinTrack) + " から " +
                                    std::to_string(kMaxTrack) + " までです (" +
                                    std::to_string(*request.track) + "): " + Quoted(path));
    }
    if (request.jacketName && !IsJacketFileName(*request.jacketName)) {
        throw std::invalid_argument("ジャケット画像ファイル名が正しくありません (\"" +
                                    *request.jacketName + "\"): " + Quoted(path));
    }
}

}  // namespace

TagBlock ReadTagBlock(const std::filesystem::path& path) {
    Block block{};  // bytes past the end of a short file stay 0
    {
        const File file = File::OpenRead(path);
        file.ReadAt(kReadStart, block);
    }
    TagBlock tags;
    tags.title = TextAt(block, kTitleOffset);
    tags.artist = TextAt(block, kArtistOffset);
    tags.album = TextAt(block, kAlbumOffset);
    const std::uint8_t track = block[kTrackOffset - kReadStart];
    if (track != 0) tags.track = std::to_string(track);
    tags.gbpFileName = TextAt(block, kGbpFileNameOffset);
    tags.genre = TextAt(block, kGenreOffset);
    return tags;
}

bool IsJacketFileName(std::string_view name) noexcept {
    constexpr std::string_view kExtension = ".GBP";
    if (name.size() != kJacketNameLength || !name.ends_with(kExtension)) return false;
    for (const char c : name.substr(0, kJacketNameLength - kExtension.size())) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

void RewriteTagBlock(const std::filesystem::path& path, const TagRewrite& request) {
    CheckRequest(path, request);

    // The owned ranges in ascending order. Their gaps (380-383, 508-511, 524-527, 571-697)
    // belong to the player's format and are never written, not even with the bytes they hold.
    Image image{};
    std::array<Range, 5> ranges;
    std::size_t count = 0;
    if (request.texts) {
        ranges[count++] = PutTextField(image, kArtistOffset, request.texts->artist);
        ranges[count++] = PutTextField(image, kAlbumOffset, request.texts->album);
    }
    if (request.track) {
        // The track byte and its three zero bytes run straight into the eight cleared bytes.
        image[kTrackOffset - kImageStart] = static_cast<std::uint8_t>(*request.track);
        ranges[count++] = {kTrackOffset, kTrackFieldSize + kClearedSize};
    } else {
        ranges[count++] = {kClearedOffset, kClearedSize};
    }
    if (request.jacketName) {
        // Not cleared first: the name's units, a zero unit and one more zero byte (528 to 570).
        for (std::size_t k = 0; k < request.jacketName->size(); ++k) {
            PutUnit(image, kGbpFileNameOffset + 2 * k,
                    static_cast<unsigned char>((*request.jacketName)[k]));
        }
        ranges[count++] = {kGbpFileNameOffset, kJacketNameFieldSize};
    }
    if (request.texts) ranges[count++] = PutTextField(image, kGenreOffset, request.texts->genre);

    File file = File::OpenWrite(path);
    const std::uint64_t size = file.Size();
    if (size < kTagBlockWriteEnd) {
        // Writing would extend the music file with tag bytes.
        throw FormatError("SAT ファイルが短すぎてタグを書き込めません (" + std::to_string(size) +
                          " バイト、" + std::to_string(kTagBlockWriteEnd) +
                          " バイト以上が必要です): " + Quoted(path));
    }
    for (std::size_t i = 0; i < count; ++i) {
        file.WriteAt(ranges[i].offset, std::span<const std::uint8_t>(image).subspan(
                                           ranges[i].offset - kImageStart, ranges[i].size));
    }
    file.Close();
}

}  // namespace corvina
