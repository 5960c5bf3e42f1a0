#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/sat_tags.h"
#include "platform/files.h"
#include "rewrite/batch_run.h"

// The journal of a batch run: written to the program's undo folder and synced to the disk before
// the run writes its first byte, it keeps for every target file the bytes the rewrite is about to
// change, so that undo can give them back. The run updates in place how many files it has done.
//
// File layout (little-endian): a 40-byte header
//   0 "CORVUNDO", 8 version (2; 1 is read too), 12 state (0 open, 1 undone), 16 files done,
//   20 file count, 24 body size, 32 CRC-32 of the body, 36 CRC-32 of bytes 0 to 35;
// then the body: a flags byte (1 texts, 2 numbered tracks, 4 jacket name), the three texts and the
// jacket name as they apply, the jacket file's path, then per file its path, whether its bytes
// were read, its size and last-write time and, when read, the old bytes of the rewrite's ranges
// in ascending order. A text or path is a 32-bit length and its UTF-8 bytes; a path has a kind
// byte before it (0 Windows path, 1 host path).
// Version 2 differs in each file's record: its path is the kind byte, a 16-bit count of the bytes
// it shares with the path of the file before (all of them, and none for the first file), and
// the rest as a text; the old bytes of each range are an 8-bit count and as many bytes, the
// range's bytes up to its last nonzero one, the rest being zeros.
namespace corvina {

class DriveMap;

// Where the journals lie, on drive C of the drive map.
inline constexpr std::string_view kUndoFolder = "C:\\Corvina\\Undo";
// Journals beyond this many, counted from the newest, are removed when a run writes a new one.
inline constexpr std::size_t kJournalsKept = 10;
// The version of the journals written now.
inline constexpr std::uint32_t kJournalVersion = 2;

// A path as the journal keeps it: a Windows path, resolved through the drive map, or a host path
// (corvina-cli batch names its files by host paths).
struct JournalPath {
    std::string text;
    bool host = false;
    bool empty() const noexcept { return text.empty(); }
    friend bool operator==(const JournalPath&, const JournalPath&) = default;
};

struct JournalFile {
    JournalPath path;
    bool read = false;  // the file could be read before the run; only then are its bytes kept
    std::uint64_t size = 0;
    std::int64_t lastWriteNs = 0;        // nanoseconds since 1970-01-01 00:00 UTC
    std::vector<std::uint8_t> oldBytes;  // the rewrite's ranges, one after another
    friend bool operator==(const JournalFile&, const JournalFile&) = default;
};

struct Journal {
    std::uint32_t version = kJournalVersion;  // the layout it was read in, or is to be written in
    bool undone = false;
    std::uint32_t done = 0;  // files whose rewrite returned
    TagRewrite changes;      // every file's, without the track
    bool numberTracks = false;
    JournalPath jacketFile;  // the jacket file the run creates; empty without one
    std::vector<JournalFile> files;

    // What the run asked RewriteTagBlock to do with the file at position i.
    TagRewrite RewriteOf(std::size_t i) const;
};

std::vector<std::uint8_t> EncodeJournal(const Journal& journal);

// Reads a journal from outside data: every length is checked against the bytes there are, and a
// journal whose checksums, version or fields do not hold is refused with FormatError.
Journal DecodeJournal(std::span<const std::uint8_t> bytes);

// The journal file at `path`; FileError when it cannot be read, FormatError (naming the file)
// when it is damaged.
Journal ReadJournal(const std::filesystem::path& path);

// The journal files of the undo folder, newest first (the name is the run's number).
std::vector<std::filesystem::path> ListJournals(const std::filesystem::path& folder);

// Only the state of the header: true when undone. FormatError when the header is damaged.
bool JournalUndone(const std::filesystem::path& path);

// Marks the journal undone, in place, and syncs it.
void MarkJournalUndone(const std::filesystem::path& path);

// The journal of one run, written to the undo folder of the drive map.
class JournalWriter : public BatchJournal {
public:
    enum class Paths { Windows, Host };  // how the run names its files
    JournalWriter(const DriveMap& drives, Paths paths) : drives_(drives), paths_(paths) {}
    ~JournalWriter() override;

    void Begin(std::span<const std::string> targets, const PathSpace& paths,
               const TagRewrite& changes, bool numberTracks, std::string_view jacketFile,
               TargetFiles& opened) override;
    void FileDone(std::size_t done) noexcept override;

    // The journal written by Begin (a host path), or empty before.
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    // `opened` is the file at `shown` when the run holds it open already.
    JournalPath Record(std::string_view shown, const PathSpace& paths,
                       const File* opened = nullptr) const;
    // Writes done_ into the header in place.
    void WriteCount();

    const DriveMap& drives_;
    Paths paths_;
    std::filesystem::path path_;
    std::optional<File> file_;
    std::array<std::uint8_t, 40> header_{};  // as on file
    std::uint32_t count_ = 0;
    std::uint32_t done_ = 0;     // as the run last told
    std::uint32_t written_ = 0;  // as the header on file says
    std::chrono::steady_clock::time_point lastWrite_;
    std::chrono::steady_clock::time_point lastSync_;
};

}  // namespace corvina
