#include "formats/sat_tags.h"

#include <array>
#include <span>
#include <stdexcept>
#include <vector>

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
    for (std::size_t i = 0; i < kTextReadSize; i += 2) {
        // Each unit is little-endian and goes through the code page on its own.
        const auto unit = static_cast<char16_t>(block[start + i] | block[start + i + 1] << 8);
        if (unit == 0) break;
        text += cp932::UnitToUtf8(unit);
    }
    return text;
}

// One owned range of the tag block and the bytes it gets.
struct Write {
    std::uint64_t offset;
    std::vector<std::uint8_t> bytes;
};

void PutUnit(std::vector<std::uint8_t>& field, std::size_t index, char16_t unit) {
    field[2 * index] = static_cast<std::uint8_t>(unit & 0xFF);
    field[2 * index + 1] = static_cast<std::uint8_t>(unit >> 8);
}

// The 124 bytes of a text field: the units of the text's code page characters (at most 61), then
// zeros, which give the end mark.
Write TextField(std::uint64_t offset, std::string_view utf8) {
    std::u16string units = cp932::Utf8ToUnits(utf8);
    if (units.size() > kMaxTextUnits) units.resize(kMaxTextUnits);
    Write write{offset, std::vector<std::uint8_t>(kTextFieldSize, 0)};
    for (std::size_t k = 0; k < units.size(); ++k) PutUnit(write.bytes, k, units[k]);
    return write;
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
    std::vector<Write> writes;
    if (request.texts) {
        writes.push_back(TextField(kArtistOffset, request.texts->artist));
        writes.push_back(TextField(kAlbumOffset, request.texts->album));
    }
    if (request.track) {
        // The track byte and its three zero bytes run straight into the eight cleared bytes.
        Write trackAndCleared{kTrackOffset,
                              std::vector<std::uint8_t>(kTrackFieldSize + kClearedSize, 0)};
        trackAndCleared.bytes[0] = static_cast<std::uint8_t>(*request.track);
        writes.push_back(std::move(trackAndCleared));
    } else {
        writes.push_back({kClearedOffset, std::vector<std::uint8_t>(kClearedSize, 0)});
    }
    if (request.jacketName) {
        // Not cleared first: the name's units, a zero unit and one more zero byte (528 to 570).
        Write name{kGbpFileNameOffset, std::vector<std::uint8_t>(kJacketNameFieldSize, 0)};
        for (std::size_t k = 0; k < request.jacketName->size(); ++k)
            PutUnit(name.bytes, k, static_cast<unsigned char>((*request.jacketName)[k]));
        writes.push_back(std::move(name));
    }
    if (request.texts) writes.push_back(TextField(kGenreOffset, request.texts->genre));

    File file = File::OpenWrite(path);
    const std::uint64_t size = file.Size();
    if (size < kTagBlockWriteEnd) {
        // Writing would extend the music file with tag bytes.
        throw FormatError("SAT ファイルが短すぎてタグを書き込めません (" + std::to_string(size) +
                          " バイト、" + std::to_string(kTagBlockWriteEnd) +
                          " バイト以上が必要です): " + Quoted(path));
    }
    for (const Write& write : writes) file.WriteAt(write.offset, write.bytes);
    file.Close();
}

}  // namespace corvina
