#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/formats/sat_tags.h"

// The journal of a batch run, as bytes: what undo needs to give every file its old tag bytes back
// and to remove the jacket file the run made, and nothing it could be led astray by.
//
// File layout (little-endian): a 40-byte header
//   0 "CORVUNDO", 8 version (3), 12 state (0 open, 1 undone), 16 files done, 20 file count,
//   24 body size, 32 CRC-32 of the body, 36 CRC-32 of bytes 0 to 35;
// then the body:
//   a flags byte (1 texts, 2 numbered tracks, 4 jacket);
//   with texts, the artist, album and genre as the fields store them (at most 61 characters);
//   with a jacket, its name, the jacket file's path, the temporary path it is written under, its
//   size and its CRC-32;
//   the roots: a 32-bit count, then per root its path and a byte, 1 when it held the player's
//   GBSYSTEM folder at the run;
//   the files, as many as the header counts: per file its path, its size and last-write time
//   (64 bits each), then for each range of the rewrite in ascending order an 8-bit count and the
//   range's old bytes up to its last nonzero one (the zeros after it are not stored).
// A text is a 32-bit length and its UTF-8 bytes; a path is a kind byte (0 Windows path, 1 host
// path) and a text. Every path is stored whole.
namespace corvina {

// A path as the journal keeps it: a Windows path, resolved through the drive map, or a host path
// (corvina-cli batch names its files by host paths).
struct JournalPath {
    std::string text;
    bool host = false;
    bool empty() const noexcept { return text.empty(); }
    friend bool operator==(const JournalPath&, const JournalPath&) = default;
};

// The root folder of a drive that the run's files lie on (for corvina-cli, its --player folder):
// undo writes only inside the roots, and only while each is there.
struct JournalRoot {
    JournalPath path;
    bool player = false;  // it held GBSYSTEM then, so that a folder left by the player is no root
    friend bool operator==(const JournalRoot&, const JournalRoot&) = default;
};

struct JournalJacket {
    JournalPath file;       // the jacket file the run creates
    JournalPath temporary;  // the name it is written under before it is moved into place
    std::uint64_t size = 0;
    std::uint32_t crc = 0;  // Crc32 of its bytes
    friend bool operator==(const JournalJacket&, const JournalJacket&) = default;
};

struct JournalFile {
    JournalPath path;
    std::uint64_t size = 0;
    std::int64_t lastWriteNs = 0;        // nanoseconds since 1970-01-01 00:00 UTC
    std::vector<std::uint8_t> oldBytes;  // the rewrite's ranges, one after another
    friend bool operator==(const JournalFile&, const JournalFile&) = default;
};

struct Journal {
    bool undone = false;
    std::uint32_t done = 0;  // files whose rewrite returned, as last written
    TagRewrite changes;      // every file's, without the track; texts as the fields store them
    bool numberTracks = false;
    std::optional<JournalJacket> jacket;
    std::vector<JournalRoot> roots;
    std::vector<JournalFile> files;

    // What the run asked RewriteTagBlock to do with the file at position i.
    TagRewrite RewriteOf(std::size_t i) const;
    friend bool operator==(const Journal&, const Journal&) = default;
};

// The layout written and read; nothing else is read.
inline constexpr std::uint32_t kJournalVersion = 3;
inline constexpr std::size_t kJournalHeaderSize = 40;
// Where the count of files done lies in the header, and the header's own checksum.
inline constexpr std::size_t kJournalDoneOffset = 16;
inline constexpr std::size_t kJournalHeaderCheckedSize = 36;
// The largest journal read: far beyond 10,000 files of long paths.
inline constexpr std::uint64_t kMaxJournalBytes = std::uint64_t{256} << 20;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) noexcept;

// The journal's bytes. UsageError when it holds what no run writes (old bytes that do not fill
// the ranges, a text longer than its field).
std::vector<std::uint8_t> EncodeJournal(const Journal& journal);

// Reads a journal from outside data: every length is checked against the bytes there are, and a
// journal whose checksums, version or fields do not hold is refused with FormatError.
Journal DecodeJournal(std::span<const std::uint8_t> bytes);

// Only the header: whether the journal is undone. FormatError when the header is damaged or does
// not fit a journal of `fileSize` bytes.
bool DecodeJournalUndone(std::span<const std::uint8_t> header, std::uint64_t fileSize);

// The header with its count of files done set to `done`, its checksum made again.
void SetJournalDone(std::span<std::uint8_t> header, std::uint32_t done);
// The header marked undone, its checksum made again.
void SetJournalUndone(std::span<std::uint8_t> header);

}  // namespace corvina
