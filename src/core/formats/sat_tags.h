#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The tag block of a SAT file, the player's music file: texts, a track byte and the jacket
// picture's file name at fixed offsets near the start of the file. Every other byte belongs to
// the player's own format and is never written.
//
// A text field is UTF-16LE, one unit per code page 932 character, ended by a zero unit. Reading
// takes its first 100 bytes (at most 50 units); writing clears its 124 bytes and stores at most
// 61 units and the zero unit.
namespace corvina {

class File;

inline constexpr std::uint64_t kTitleOffset = 128;
inline constexpr std::uint64_t kArtistOffset = 256;
inline constexpr std::uint64_t kAlbumOffset = 384;
inline constexpr std::uint64_t kTrackOffset = 512;  // 1 byte, then 3 bytes set to 0
inline constexpr std::size_t kTrackFieldSize = 4;
inline constexpr std::uint64_t kClearedOffset = 516;  // set to 0 by every rewrite
inline constexpr std::size_t kClearedSize = 8;
inline constexpr std::uint64_t kGbpFileNameOffset = 528;
inline constexpr std::uint64_t kGenreOffset = 698;

inline constexpr std::size_t kTextReadSize = 100;                     // bytes a reader takes in
inline constexpr std::size_t kTextFieldSize = 124;                    // bytes a writer owns
inline constexpr std::size_t kMaxTextUnits = kTextFieldSize / 2 - 1;  // 61, then the zero unit
inline constexpr std::size_t kJacketNameLength = 20;                  // 16 digits/capitals + ".GBP"
inline constexpr std::size_t kJacketNameFieldSize = 43;  // 20 units, a zero unit, a 0 byte

inline constexpr std::uint64_t kTagBlockReadEnd = kGenreOffset + kTextReadSize;    // 798
inline constexpr std::uint64_t kTagBlockWriteEnd = kGenreOffset + kTextFieldSize;  // 822

inline constexpr int kMinTrack = 1;
inline constexpr int kMaxTrack = 255;

// The six texts as the filer shows them, in UTF-8. `track` is "" for a track byte of 0, else its
// decimal digits.
struct TagBlock {
    std::string title;
    std::string artist;
    std::string album;
    std::string track;
    std::string gbpFileName;
    std::string genre;

    friend bool operator==(const TagBlock&, const TagBlock&) = default;
};

// Reads the tag block. Bytes missing at the end of a short file count as 0. Opens the file for
// reading with full sharing; throws FileError when it cannot be read.
TagBlock ReadTagBlock(const std::filesystem::path& path);

// The three texts, which a rewrite always changes together (UTF-8; cut to 61 characters each).
struct TagTexts {
    std::string artist;
    std::string album;
    std::string genre;
    friend bool operator==(const TagTexts&, const TagTexts&) = default;
};

// The part of a text that a text field stores: its first 61 characters (a malformed byte counts
// as one). A rewrite with the cut texts writes the same bytes as with the whole ones.
std::string CutToField(std::string_view utf8);
TagTexts CutToFields(const TagTexts& texts);

struct TagRewrite {
    std::optional<TagTexts> texts;
    std::optional<int> track;               // kMinTrack to kMaxTrack
    std::optional<std::string> jacketName;  // see IsJacketFileName
    friend bool operator==(const TagRewrite&, const TagRewrite&) = default;
};

// True for a jacket file name as the program makes them: 16 digits or capital letters, ".GBP".
bool IsJacketFileName(std::string_view name) noexcept;

// The bytes a rewrite writes, composed in memory without touching a file: its ranges in
// ascending order (which ones depends only on what the request holds, never on its texts) and
// the new bytes of each.
class ComposedRewrite {
public:
    struct Range {
        std::uint64_t offset;
        std::size_t size;
    };
    std::span<const Range> Ranges() const noexcept { return {ranges_.data(), count_}; }
    std::span<const std::uint8_t> Bytes(const Range& range) const noexcept {
        return std::span<const std::uint8_t>(image_).subspan(range.offset - kImageStart,
                                                             range.size);
    }
    // The ranges' sizes added up.
    std::size_t TotalSize() const noexcept;

    // The first byte a rewrite may own; every range lies between it and kTagBlockWriteEnd.
    static constexpr std::uint64_t kImageStart = kArtistOffset;

private:
    friend ComposedRewrite ComposeTagRewrite(const TagRewrite& request);
    std::array<std::uint8_t, kTagBlockWriteEnd - kImageStart> image_{};
    std::array<Range, 5> ranges_{};
    std::size_t count_ = 0;
};

// What RewriteTagBlock would write for the request; UsageError as it says.
ComposedRewrite ComposeTagRewrite(const TagRewrite& request);

// Rewrites the tag block in place: bytes 516 to 523 are set to 0 on every call, the rest only as
// the request asks. The request is checked first (UsageError for a track outside 1 to
// 255 or a malformed jacket name); a file shorter than 822 bytes is refused with FormatError.
// Either way nothing is written. The file is opened for writing with full sharing and never
// created, truncated or extended; a failed or short write throws FileError.
void RewriteTagBlock(const std::filesystem::path& path, const TagRewrite& request);

// The same on a file open for writing, which it closes; messages name the path it was opened by.
void RewriteTagBlock(File file, const TagRewrite& request);

}  // namespace corvina
