#include "rewrite/journal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/little_endian.h"

namespace corvina {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "CORVUNDO";
// Version 1 kept the old bytes whole; version 2 keeps those of each range without the zeros that
// end it, as most of a text field is. Both are read.
constexpr std::uint32_t kOldestVersion = 1;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kHeaderCheckedSize = 36;  // where the header's own CRC-32 lies
constexpr std::size_t kDoneOffset = 16;
constexpr std::uint32_t kStateOpen = 0;
constexpr std::uint32_t kStateUndone = 1;

constexpr std::uint8_t kFlagTexts = 1;
constexpr std::uint8_t kFlagNumberTracks = 2;
constexpr std::uint8_t kFlagJacket = 4;

// A path on Linux is at most 4096 bytes; tag texts are far shorter.
constexpr std::uint32_t kMaxText = 4096;
// The smallest record of a file: kind, length, one path byte, read flag, size, time.
constexpr std::size_t kMinFileRecord = 1 + 4 + 1 + 1 + 8 + 8;
// Far beyond any journal: 10,000 files of long paths come to some 50 MB.
constexpr std::uint64_t kMaxJournalBytes = std::uint64_t{256} << 20;

constexpr std::string_view kExtension = ".undo";
constexpr std::size_t kNumberDigits = 8;

constexpr auto kSyncInterval = std::chrono::seconds(1);
constexpr auto kWriteInterval = std::chrono::milliseconds(100);

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

// Table k gives what a byte adds to the CRC when k more bytes follow it, so that eight bytes are
// taken in at once (a journal's body is about a megabyte).
constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::uint32_t n = 0; n < 256; ++n) {
        for (std::size_t k = 1; k < tables.size(); ++k)
            tables[k][n] = tables[0][tables[k - 1][n] & 0xFF] ^ (tables[k - 1][n] >> 8);
    }
    return tables;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) noexcept {
    static constexpr CrcTables kTables = MakeCrcTables();
    const auto& t = kTables;
    std::uint32_t crc = 0xFFFFFFFFu;
    std::span<const std::uint8_t> rest = bytes;
    for (; rest.size() >= 8; rest = rest.subspan(8)) {
        const std::uint32_t low = crc ^ ReadLe32(rest, 0);
        const std::uint32_t high = ReadLe32(rest, 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
              t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (const std::uint8_t b : rest) crc = t[0][(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Appends to a buffer reserved for the whole, so that the bytes are copied once.
class Writer {
public:
    explicit Writer(std::size_t expected = 0) { bytes.reserve(expected); }
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U32(std::uint32_t v) {
        const std::size_t at = bytes.size();
        bytes.resize(at + 4);
        WriteLe32(bytes, at, v);
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Raw(std::span<const std::uint8_t> raw) {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
    }
    void Text(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    void Path(const JournalPath& path) {
        U8(path.host ? 1 : 0);
        Text(path.text);
    }
    static constexpr std::size_t TextSize(std::string_view text) noexcept {
        return 4 + text.size();
    }
    std::vector<std::uint8_t> bytes;
};

[[noreturn]] void Damaged(const std::string& what) {
    throw FormatError("取り消しの記録が壊れています", "", what);
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t left() const noexcept { return bytes_.size() - pos_; }
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (count > left()) Damaged("途中で切れています");
        const auto part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }
    std::uint8_t U8() { return Take(1)[0]; }
    std::uint32_t U32() { return ReadLe32(Take(4), 0); }
    std::uint64_t U64() {
        const auto part = Take(8);
        return ReadLe32(part, 0) | std::uint64_t{ReadLe32(part, 4)} << 32;
    }
    bool Flag() {
        const std::uint8_t v = U8();
        if (v > 1) Damaged("真偽の値が 0 でも 1 でもありません");
        return v == 1;
    }
    std::string Text() {
        const std::uint32_t size = U32();
        if (size > kMaxText) Damaged("文字列が長すぎます");
        const auto part = Take(size);
        return std::string(part.begin(), part.end());
    }
    JournalPath Path() {
        JournalPath path;
        path.host = Flag();
        path.text = Text();
        return path;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

struct Header {
    std::uint32_t version = kJournalVersion;
    std::uint32_t state = kStateOpen;
    std::uint32_t done = 0;
    std::uint32_t count = 0;
    std::uint64_t bodySize = 0;
    std::uint32_t bodyCrc = 0;
};

HeaderBytes EncodeHeader(const Header& header) {
    Writer w(kHeaderSize);
    w.bytes.assign(kMagic.begin(), kMagic.end());
    w.U32(header.version);
    w.U32(header.state);
    w.U32(header.done);
    w.U32(header.count);
    w.U64(header.bodySize);
    w.U32(header.bodyCrc);
    w.U32(Crc32(w.bytes));
    HeaderBytes bytes{};
    std::copy(w.bytes.begin(), w.bytes.end(), bytes.begin());
    return bytes;
}

// The header of a journal of `fileSize` bytes, checked on its own.
Header DecodeHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    if (bytes.size() < kHeaderSize) Damaged("見出しが途中で切れています");
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        Damaged("取り消しの記録ではありません");
    Reader r(bytes.subspan(kMagic.size(), kHeaderSize - kMagic.size()));
    Header header;
    header.version = r.U32();
    header.state = r.U32();
    header.done = r.U32();
    header.count = r.U32();
    header.bodySize = r.U64();
    header.bodyCrc = r.U32();
    const std::uint32_t headerCrc = r.U32();
    if (headerCrc != Crc32(bytes.first(kHeaderCheckedSize))) Damaged("見出しの検査値が合いません");
    if (header.version < kOldestVersion || header.version > kJournalVersion)
        Damaged("版 " + std::to_string(header.version) + " は読めません");
    if (header.state != kStateOpen && header.state != kStateUndone) Damaged("状態が不明です");
    if (header.done > header.count) Damaged("済んだファイルの数がファイルの数を超えています");
    if (header.bodySize != fileSize - kHeaderSize) Damaged("大きさがファイルと合いません");
    return header;
}

// True when `path` is absolute and has no empty, "." or ".." part: already what making it absolute
// and normal would give.
bool IsPlainAbsolute(std::string_view path) noexcept {
    if (!path.starts_with('/')) return false;
    for (std::size_t start = 1;;) {
        const std::size_t end = path.find('/', start);
        const std::string_view part =
            path.substr(start, end == path.npos ? path.npos : end - start);
        if (part == "." || part == "..") return false;
        if (end == path.npos) return true;  // a last empty part is a trailing '/', which stays
        if (part.empty()) return false;
        start = end + 1;
    }
}

// The bytes of a file from the first to the last that a rewrite can change.
using OldBlock = std::array<std::uint8_t, kTagBlockWriteEnd - ComposedRewrite::kImageStart>;

// True when the whole block was read; FileError when reading failed.
bool ReadOldBlock(const File& file, OldBlock& block) {
    return file.ReadAt(ComposedRewrite::kImageStart, block) == block.size();
}

// Reads, on a second thread, the old blocks of the later half of a run's files that the run holds
// open, while the journal's writer reads the earlier half itself. Without a thread (a short run,
// or none to be had) it reads nothing, and the writer reads every file.
class AheadReads {
public:
    AheadReads(const TargetFiles& opened, std::size_t count) : first_(count) {
        if (count < kFewestFiles) return;
        const std::size_t first = count / 2;
        blocks_.resize(count - first);
        outcomes_.assign(count - first, Outcome::NotRead);
        try {
            thread_ = std::jthread([this, &opened, first, count] {
                for (std::size_t i = first; i < count; ++i) {
                    const File* file = opened.Kept(i);
                    if (!file) continue;
                    try {
                        outcomes_[i - first] = ReadOldBlock(*file, blocks_[i - first])
                                                   ? Outcome::Read
                                                   : Outcome::Short;
                    } catch (const std::exception&) {
                        outcomes_[i - first] = Outcome::Failed;
                    }
                }
            });
            first_ = first;
        } catch (const std::system_error&) {
            blocks_.clear();
        }
    }

    // ReadOldBlock for the file at position i, `kept` when the run holds it open: the block read
    // ahead, or read now when it was not or failed (again, for the reason).
    bool Read(std::size_t i, const File& file, bool kept, OldBlock& block) {
        if (i < first_ || !kept) return ReadOldBlock(file, block);
        if (thread_.joinable()) thread_.join();
        const std::size_t k = i - first_;
        switch (outcomes_[k]) {
            case Outcome::NotRead:
            case Outcome::Failed: return ReadOldBlock(file, block);
            case Outcome::Short: return false;
            case Outcome::Read: break;
        }
        block = blocks_[k];
        return true;
    }

private:
    // Below this many files a thread costs more than it saves.
    static constexpr std::size_t kFewestFiles = 256;
    enum class Outcome : std::uint8_t { NotRead, Read, Short, Failed };
    std::size_t first_;  // the first file read ahead
    std::vector<OldBlock> blocks_;
    std::vector<Outcome> outcomes_;
    std::jthread thread_;  // last, so that it is joined before the rest goes
};

// What the run asked RewriteTagBlock to do with the file at position i.
TagRewrite RewriteOfFile(const TagRewrite& changes, bool numberTracks, std::size_t i) {
    TagRewrite rewrite = changes;
    if (numberTracks) rewrite.track = static_cast<int>(i + 1);
    return rewrite;
}

// A journal's bytes, built in one buffer as its parts come: the header's place, the run's part of
// the body, then the files one by one; Finish fills in the header.
class JournalEncoder {
public:
    JournalEncoder(std::uint32_t version, const TagRewrite& changes, bool numberTracks,
                   const JournalPath& jacketFile, std::size_t expectedBytes)
        : w_(expectedBytes), version_(version) {
        w_.bytes.resize(kHeaderSize);
        std::uint8_t flags = 0;
        if (changes.texts) flags |= kFlagTexts;
        if (numberTracks) flags |= kFlagNumberTracks;
        if (changes.jacketName) flags |= kFlagJacket;
        w_.U8(flags);
        if (changes.texts) {
            w_.Text(changes.texts->artist);
            w_.Text(changes.texts->album);
            w_.Text(changes.texts->genre);
        }
        if (changes.jacketName) w_.Text(*changes.jacketName);
        w_.Path(jacketFile);
    }

    // The bytes of the run's part, and at most those of a file's record with `oldBytes` in
    // `ranges` ranges.
    static std::size_t RunSize(const TagRewrite& changes, const JournalPath& jacketFile) noexcept {
        std::size_t size = kHeaderSize + 1 + 1 + Writer::TextSize(jacketFile.text);
        if (changes.texts) {
            size += Writer::TextSize(changes.texts->artist) +
                    Writer::TextSize(changes.texts->album) + Writer::TextSize(changes.texts->genre);
        }
        if (changes.jacketName) size += Writer::TextSize(*changes.jacketName);
        return size;
    }
    static constexpr std::size_t FileSize(std::string_view path, std::size_t oldBytes,
                                          std::size_t ranges) noexcept {
        return 1 + Writer::TextSize(path) + 1 + 8 + 8 + oldBytes + ranges;
    }

    // A file's record; when `read`, its old bytes follow through OldBytes, range by range.
    void File(const JournalPath& path, bool read, std::uint64_t size, std::int64_t lastWriteNs) {
        w_.Path(path);
        w_.U8(read ? 1 : 0);
        w_.U64(size);
        w_.U64(static_cast<std::uint64_t>(lastWriteNs));
        ++count_;
    }
    void OldBytes(std::span<const std::uint8_t> range) {
        if (version_ == 1) {
            w_.Raw(range);
            return;
        }
        static_assert(kTextFieldSize <= 0xFF && kJacketNameFieldSize <= 0xFF);
        std::size_t kept = range.size();
        while (kept > 0 && range[kept - 1] == 0) --kept;
        w_.U8(static_cast<std::uint8_t>(kept));
        w_.Raw(range.first(kept));
    }

    std::vector<std::uint8_t> Finish(bool undone, std::uint32_t done) {
        const auto body = std::span<const std::uint8_t>(w_.bytes).subspan(kHeaderSize);
        Header header;
        header.version = version_;
        header.state = undone ? kStateUndone : kStateOpen;
        header.done = done;
        header.count = count_;
        header.bodySize = body.size();
        header.bodyCrc = Crc32(body);
        const HeaderBytes head = EncodeHeader(header);
        std::copy(head.begin(), head.end(), w_.bytes.begin());
        return std::move(w_.bytes);
    }

private:
    Writer w_;
    std::uint32_t version_;
    std::uint32_t count_ = 0;
};

}  // namespace

TagRewrite Journal::RewriteOf(std::size_t i) const {
    return RewriteOfFile(changes, numberTracks, i);
}

std::vector<std::uint8_t> EncodeJournal(const Journal& journal) {
    if (journal.version < kOldestVersion || journal.version > kJournalVersion)
        throw std::invalid_argument("no such journal version");
    // Which ranges a rewrite writes depends only on what the request holds, the same for every
    // file.
    const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
    std::size_t size = JournalEncoder::RunSize(journal.changes, journal.jacketFile);
    for (const JournalFile& file : journal.files) {
        size += JournalEncoder::FileSize(file.path.text, file.read ? file.oldBytes.size() : 0,
                                         composed.Ranges().size());
    }
    JournalEncoder encoder(journal.version, journal.changes, journal.numberTracks,
                           journal.jacketFile, size);
    for (const JournalFile& file : journal.files) {
        encoder.File(file.path, file.read, file.size, file.lastWriteNs);
        if (!file.read) continue;
        if (file.oldBytes.size() != composed.TotalSize())
            throw std::invalid_argument("old bytes that do not fill the rewrite's ranges");
        // Range by range, as version 2 keeps each without the zeros that end it.
        std::span<const std::uint8_t> rest = file.oldBytes;
        for (const auto& range : composed.Ranges()) {
            encoder.OldBytes(rest.first(range.size));
            rest = rest.subspan(range.size);
        }
    }
    return encoder.Finish(journal.undone, journal.done);
}

Journal DecodeJournal(std::span<const std::uint8_t> bytes) {
    const Header header = DecodeHeader(bytes, bytes.size());
    const auto bodyBytes = bytes.subspan(kHeaderSize);
    if (Crc32(bodyBytes) != header.bodyCrc) Damaged("本体の検査値が合いません");
    if (header.count > bodyBytes.size() / kMinFileRecord)
        Damaged("ファイルの数が記録の大きさに合いません");

    Journal journal;
    journal.version = header.version;
    journal.undone = header.state == kStateUndone;
    journal.done = header.done;
    Reader r(bodyBytes);
    const std::uint8_t flags = r.U8();
    if (flags & ~(kFlagTexts | kFlagNumberTracks | kFlagJacket)) Damaged("不明な印があります");
    if (flags & kFlagTexts) {
        TagTexts texts;
        texts.artist = r.Text();
        texts.album = r.Text();
        texts.genre = r.Text();
        journal.changes.texts = std::move(texts);
    }
    journal.numberTracks = (flags & kFlagNumberTracks) != 0;
    if (journal.numberTracks && !journal.changes.texts) Damaged("番号だけが付いています");
    if (journal.numberTracks && header.count > static_cast<std::uint32_t>(kMaxTrack))
        Damaged("番号を付けるファイルが多すぎます");
    if (flags & kFlagJacket) {
        journal.changes.jacketName = r.Text();
        if (!IsJacketFileName(*journal.changes.jacketName))
            Damaged("ジャケット画像ファイル名が正しくありません");
    }
    journal.jacketFile = r.Path();
    if (journal.jacketFile.empty() == journal.changes.jacketName.has_value())
        Damaged("ジャケット画像ファイルが名前と合いません");

    // Which ranges a rewrite writes depends only on what the request holds, so every file keeps
    // the same number of old bytes.
    const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
    const std::size_t oldSize = composed.TotalSize();
    journal.files.reserve(header.count);
    for (std::uint32_t i = 0; i < header.count; ++i) {
        JournalFile file;
        file.path = r.Path();
        if (file.path.empty()) Damaged("ファイルの名前がありません");
        file.read = r.Flag();
        file.size = r.U64();
        file.lastWriteNs = static_cast<std::int64_t>(r.U64());
        if (file.read) {
            if (file.size < kTagBlockWriteEnd) Damaged("ファイルの大きさがタグに足りません");
            if (journal.version == 1) {
                const auto old = r.Take(oldSize);
                file.oldBytes.assign(old.begin(), old.end());
            } else {
                file.oldBytes.reserve(oldSize);
                for (const auto& range : composed.Ranges()) {
                    const std::uint8_t kept = r.U8();
                    if (kept > range.size) Damaged("範囲より長いバイト列があります");
                    const auto old = r.Take(kept);
                    // As written: the zeros that end a range are never kept.
                    if (kept > 0 && old.back() == 0) Damaged("範囲のバイト列が 0 で終わっています");
                    file.oldBytes.insert(file.oldBytes.end(), old.begin(), old.end());
                    file.oldBytes.resize(file.oldBytes.size() + (range.size - kept), 0);
                }
            }
        }
        journal.files.push_back(std::move(file));
    }
    if (r.left() != 0) Damaged("終わりの後にバイトがあります");
    return journal;
}

Journal ReadJournal(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path, kMaxJournalBytes);
    try {
        return DecodeJournal(bytes);
    } catch (const FormatError& e) {
        throw FormatError(e.failure(), path.string(), e.reason());
    }
}

std::vector<fs::path> ListJournals(const fs::path& folder) {
    std::vector<std::pair<std::uint32_t, fs::path>> found;
    for (const DirEntry& entry : ListFolder(folder, "*.undo")) {
        const std::string& name = entry.name;
        if (entry.IsFolder() || name.size() != kNumberDigits + kExtension.size() ||
            !name.ends_with(kExtension))
            continue;
        std::uint32_t number = 0;
        const char* end = name.data() + kNumberDigits;
        const auto [stop, error] = std::from_chars(name.data(), end, number);
        if (error != std::errc() || stop != end) continue;
        found.emplace_back(number, folder / name);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<fs::path> paths;
    for (auto& [number, path] : found) paths.push_back(std::move(path));
    return paths;
}

bool JournalUndone(const fs::path& path) {
    const File file = File::OpenRead(path);
    std::array<std::uint8_t, kHeaderSize> bytes{};
    const std::size_t got = file.ReadAt(0, bytes);
    try {
        return DecodeHeader(std::span(bytes).first(got), file.Size()).state == kStateUndone;
    } catch (const FormatError& e) {
        throw FormatError(e.failure(), path.string(), e.reason());
    }
}

void MarkJournalUndone(const fs::path& path) {
    // The header is read and checked again, so that a journal changed meanwhile is not marked
    // with a header that no longer fits it.
    std::array<std::uint8_t, kHeaderSize> bytes{};
    std::uint64_t size = 0;
    {
        const File file = File::OpenRead(path);
        file.ReadAt(0, bytes);
        size = file.Size();
    }
    Header header = DecodeHeader(bytes, size);
    header.state = kStateUndone;
    File file = File::OpenWrite(path);
    file.WriteAt(0, EncodeHeader(header));
    file.Sync();
    file.Close();
}

JournalWriter::~JournalWriter() {
    if (!file_) return;
    try {
        if (done_ != written_) WriteCount();
    } catch (const std::exception&) {
        // The count then says a little less than was done; undo reads the files themselves.
    }
}

JournalPath JournalWriter::Record(std::string_view shown, const PathSpace& paths,
                                  const File* opened) const {
    if (paths_ == Paths::Windows) return {std::string(shown), false};
    // Host paths are kept absolute, so that undo finds them from any working folder. A file the
    // run holds open knows its host path already; most often it is in its plain form.
    if (opened && IsPlainAbsolute(opened->path())) return {opened->path(), true};
    std::error_code ec;
    fs::path absolute = fs::absolute(paths.Host(shown), ec);
    if (ec) absolute = paths.Host(shown);
    return {absolute.lexically_normal().string(), true};
}

void JournalWriter::Begin(std::span<const std::string> targets, const PathSpace& paths,
                          const TagRewrite& changes, bool numberTracks, std::string_view jacketFile,
                          TargetFiles& opened) {
    const fs::path folder = drives_.ResolveOrThrow(kUndoFolder);
    if (!FolderExists(folder)) CreateFolder(folder);

    JournalPath jacket;
    if (!jacketFile.empty()) jacket = Record(jacketFile, paths);

    // The records go straight into the journal's bytes, one per file as it is read.
    // Which ranges a rewrite owns depends only on what it holds, the same for every file.
    const ComposedRewrite composed = ComposeTagRewrite(RewriteOfFile(changes, numberTracks, 0));
    std::size_t expected = JournalEncoder::RunSize(changes, jacket);
    for (const std::string& target : targets)
        expected += JournalEncoder::FileSize(target, composed.TotalSize(), composed.Ranges().size());
    JournalEncoder encoder(kJournalVersion, changes, numberTracks, jacket, expected);

    // The read of each file's old bytes is most of this work; a second thread reads those of the
    // later files the run holds open meanwhile.
    AheadReads ahead(opened, targets.size());
    OldBlock block{};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        JournalPath path;
        bool read = false;
        std::uint64_t size = 0;
        std::int64_t lastWriteNs = 0;
        try {
            const File* file = opened.Kept(i);
            path = Record(targets[i], paths, file);
            std::optional<File> byPath;
            if (!file) file = &byPath.emplace(File::OpenRead(paths.Host(targets[i])));
            const File::Stamp stamp = file->GetStamp();
            opened.Journaled(i, stamp.id);
            size = stamp.size;
            lastWriteNs = stamp.lastWriteNs;
            read = stamp.size >= kTagBlockWriteEnd && ahead.Read(i, *file, !byPath, block);
        } catch (const std::exception&) {
            // The rewrite of this file will fail in turn and end the run there.
            if (path.empty()) path = {targets[i], paths_ == Paths::Host};
            read = false;
        }
        encoder.File(path, read, size, lastWriteNs);
        if (!read) continue;
        for (const auto& range : composed.Ranges()) {
            encoder.OldBytes(std::span<const std::uint8_t>(block).subspan(
                range.offset - ComposedRewrite::kImageStart, range.size));
        }
    }

    const std::vector<fs::path> existing = ListJournals(folder);
    std::uint32_t number = 1;
    if (!existing.empty()) {
        const std::string name = existing.front().filename().string();
        std::from_chars(name.data(), name.data() + kNumberDigits, number);
        ++number;
    }

    const std::vector<std::uint8_t> bytes = encoder.Finish(false, 0);
    std::copy(bytes.begin(), bytes.begin() + kHeaderSize, header_.begin());
    count_ = static_cast<std::uint32_t>(targets.size());
    std::string name = std::to_string(number);
    name.insert(0, kNumberDigits > name.size() ? kNumberDigits - name.size() : 0, '0');
    path_ = folder / (name + std::string(kExtension));
    File file = File::CreateNew(path_);
    try {
        file.WriteAt(0, bytes);
        file.Sync();
        SyncFolder(folder);
    } catch (const std::exception&) {
        // A journal that is not on the disk as a whole must not be left to be found.
        file.Close();
        DeleteFile(path_);
        path_.clear();
        throw;
    }
    file_.emplace(std::move(file));
    lastSync_ = lastWrite_ = std::chrono::steady_clock::now();

    // Older journals beyond the kept ones go, counting the new one, which is the newest; one that
    // cannot be removed is left for the next run.
    for (std::size_t i = kJournalsKept - 1; i < existing.size(); ++i) {
        try {
            DeleteFile(existing[i]);
        } catch (const std::exception&) {
        }
    }
}

void JournalWriter::WriteCount() {
    // Only the header changes: the count and the header's own checksum.
    WriteLe32(header_, kDoneOffset, done_);
    WriteLe32(header_, kHeaderCheckedSize, Crc32(std::span(header_).first(kHeaderCheckedSize)));
    file_->WriteAt(0, header_);
    written_ = done_;
}

void JournalWriter::FileDone(std::size_t done) noexcept {
    if (!file_) return;
    done_ = static_cast<std::uint32_t>(done);
    // Writing the count after every file would cost a write each; every 100 ms and after the
    // last file (and when the writer goes, after a failure) is enough, as the count only decides
    // which files undo reports as left alone: it checks the bytes of every file, before the count
    // and after it, and gives back those it finds rewritten. A crash of the program loses at most
    // the last 100 ms of the count, with that effect. Syncing costs more still, and only a power
    // cut loses what is not synced: once a second bounds that in a long run, and the count at
    // the end is left to the system, as is the rewrite of the files themselves.
    const auto now = std::chrono::steady_clock::now();
    const bool last = done_ == count_;
    if (!last && now - lastWrite_ < kWriteInterval) return;
    try {
        WriteCount();
        lastWrite_ = now;
        if (!last && now - lastSync_ >= kSyncInterval) {
            file_->Sync();
            lastSync_ = now;
        }
    } catch (const std::exception&) {
        // The rewrite has happened; a count that lags is made up for by undo, which checks the
        // bytes of every file.
    }
}

}  // namespace corvina
