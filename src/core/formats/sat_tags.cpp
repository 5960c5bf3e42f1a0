#include "core/formats/sat_tags.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>

#include "core/base/errors.h"
#include "core/base/little_endian.h"
#include "core/base/path_text.h"
#include "core/base/utf8.h"
#include "core/os/files.h"
#include "core/text/cp932.h"

namespace corvina {

namespace {

// The reader takes in one range, from the Title field to the end of the Genre field's 100 bytes.
constexpr std::uint64_t kReadStart = kTitleOffset;
constexpr std::size_t kReadSize = kTagBlockReadEnd - kReadStart;  // 670

using Block = std::array<std::uint8_t, kReadSize>;

// The character of a unit as the program sees it: the unit goes through the code page and back,
// or stays itself when the code page has no character for it.
char16_t ThroughCodePage(char16_t unit) {
    if (unit < 0x80) return unit;  // ASCII is the same in the code page
    const std::uint16_t code = cp932::UnitToChar(unit);
    return code == cp932::kNoChar ? unit : cp932::CharToUnit(code);
}

// A text field as read: its units up to the first zero unit, at most 50, each little-endian and
// converted on its own. The UTF-8 bytes are put into a local buffer and the string is made once,
// since the filer reads thousands of blocks in a row.
std::string TextAt(const Block& block, std::uint64_t offset) {
    const auto field = std::span<const std::uint8_t>(block).subspan(offset - kReadStart);
    // A unit is at most 3 bytes of UTF-8; EncodeUtf8 asks for room for 4 at the last one.
    std::array<char, kTextReadSize / 2 * 3 + 1> utf8;
    std::size_t length = 0;
    for (std::size_t k = 0; k < kTextReadSize / 2; ++k) {
        const auto unit = static_cast<char16_t>(ReadLe16(field, 2 * k));
        if (unit == 0) break;
        // Half a surrogate pair is no character: it becomes U+FFFD.
        length += EncodeUtf8(ThroughCodePage(unit), utf8.data() + length);
    }
    return std::string(utf8.data(), length);
}

using Image = std::array<std::uint8_t, kTagBlockWriteEnd - ComposedRewrite::kImageStart>;
using Range = ComposedRewrite::Range;
constexpr std::uint64_t kImageStart = ComposedRewrite::kImageStart;

void PutUnit(Image& image, std::uint64_t offset, char16_t unit) {
    WriteLe16(image, offset - kImageStart, unit);
}

// A text field: the units of the text's code page characters (at most 61), then zeros to the
// end of its 124 bytes, which give the end mark. Each character goes through the code page to its
// unit, its best fit or "?" when the code page has no character for it, as cp932::Utf8ToUnits
// does, but without building the code page text and the units as strings first.
Range PutTextField(Image& image, std::uint64_t offset, std::string_view utf8) {
    std::size_t k = 0;
    for (std::size_t pos = 0; pos < utf8.size() && k < kMaxTextUnits; ++k) {
        const char32_t c = NextCodePoint(utf8, pos);  // malformed bytes come out above U+10FFFF
        char16_t unit = static_cast<char16_t>(c);     // ASCII is the same in the code page
        if (c >= 0x80) {
            const std::uint16_t code =
                c <= 0xFFFF ? cp932::BestFitChar(static_cast<char16_t>(c)) : cp932::kNoChar;
            unit = code == cp932::kNoChar ? u'?' : cp932::CharToUnit(code);
        }
        PutUnit(image, offset + 2 * k, unit);
    }
    return {offset, kTextFieldSize};
}

constexpr const char* kCannotWriteTags = "タグを書き込めません";

void CheckRequest(const std::string& shown, const TagRewrite& request) {
    if (request.track && (*request.track < kMinTrack || *request.track > kMaxTrack)) {
        throw UsageError(kCannotWriteTags, shown,
                         "トラック番号は " + std::to_string(kMinTrack) + " から " +
                             std::to_string(kMaxTrack) +
                             " までです: " + std::to_string(*request.track));
    }
    if (request.jacketName && !IsJacketFileName(*request.jacketName)) {
        throw UsageError(
            kCannotWriteTags, shown,
            "ジャケット画像ファイル名が正しくありません: \"" + *request.jacketName + "\"");
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

std::string CutToField(std::string_view utf8) {
    std::size_t pos = 0;
    for (std::size_t k = 0; pos < utf8.size() && k < kMaxTextUnits; ++k) NextCodePoint(utf8, pos);
    return std::string(utf8.substr(0, pos));
}

TagTexts CutToFields(const TagTexts& texts) {
    return {CutToField(texts.artist), CutToField(texts.album), CutToField(texts.genre)};
}

bool IsJacketFileName(std::string_view name) noexcept {
    constexpr std::string_view kExtension = ".GBP";
    if (name.size() != kJacketNameLength || !name.ends_with(kExtension)) return false;
    for (const char c : name.substr(0, kJacketNameLength - kExtension.size())) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

std::size_t ComposedRewrite::TotalSize() const noexcept {
    std::size_t total = 0;
    for (const Range& range : Ranges()) total += range.size;
    return total;
}

ComposedRewrite ComposeTagRewrite(const TagRewrite& request) {
    CheckRequest({}, request);

    // The owned ranges in ascending order. Their gaps (380-383, 508-511, 524-527, 571-697)
    // belong to the player's format and are never written, not even with the bytes they hold.
    ComposedRewrite composed;
    Image& image = composed.image_;
    auto& ranges = composed.ranges_;
    std::size_t& count = composed.count_;
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
    return composed;
}

void RewriteTagBlock(const std::filesystem::path& path, const TagRewrite& request) {
    CheckRequest(Utf8FromPath(path), request);  // before the file is opened
    RewriteTagBlock(File::OpenWrite(path), request);
}

void RewriteTagBlock(File file, const TagRewrite& request) {
    CheckRequest(file.path(), request);
    const ComposedRewrite composed = ComposeTagRewrite(request);

    const std::uint64_t size = file.Size();
    if (size < kTagBlockWriteEnd) {
        // Writing would extend the music file with tag bytes.
        throw FormatError(kCannotWriteTags, file.path(),
                          "SAT ファイルが短すぎます: " + std::to_string(size) + " バイト、" +
                              std::to_string(kTagBlockWriteEnd) + " バイト以上が必要です");
    }
    for (const Range& range : composed.Ranges()) file.WriteAt(range.offset, composed.Bytes(range));
    file.Close();
}

}  // namespace corvina
