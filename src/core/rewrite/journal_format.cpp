#include "core/rewrite/journal_format.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/base/errors.h"
#include "core/base/little_endian.h"

namespace corvina {

namespace {

constexpr std::string_view kMagic = "CORVUNDO";
constexpr std::uint32_t kStateOpen = 0;
constexpr std::uint32_t kStateUndone = 1;

constexpr std::uint8_t kFlagTexts = 1;
constexpr std::uint8_t kFlagNumberTracks = 2;
constexpr std::uint8_t kFlagJacket = 4;

// A text field stores at most 61 characters of at most 4 bytes each.
constexpr std::uint32_t kMaxText = 4 * kMaxTextUnits;
// Longer than any path a system opens (Linux 4096 bytes, Windows 32,767 characters).
constexpr std::uint32_t kMaxPath = 32767 * 3;
// The smallest record of a file: kind, length, one path byte, size, time, one range's count.
constexpr std::size_t kMinFileRecord = 1 + 4 + 1 + 8 + 8 + 1;
// The smallest record of a root: kind, length, one path byte, the player byte.
constexpr std::size_t kMinRootRecord = 1 + 4 + 1 + 1;

using CrcTable = std::array<std::uint32_t, 256>;

constexpr CrcTable MakeCrcTable() {
    CrcTable table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

class Writer {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U32(std::uint32_t v) { AppendLe32(bytes, v); }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Text(std::string_view text, std::uint32_t limit) {
        if (text.size() > limit) throw UsageError("記録できない長さの文字列です");
        U32(static_cast<std::uint32_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    void Path(const JournalPath& path) {
        U8(path.host ? 1 : 0);
        Text(path.text, kMaxPath);
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
    std::string Text(std::uint32_t limit) {
        const std::uint32_t size = U32();
        if (size > limit) Damaged("文字列が長すぎます");
        const auto part = Take(size);
        return std::string(part.begin(), part.end());
    }
    JournalPath Path() {
        JournalPath path;
        path.host = Flag();
        path.text = Text(kMaxPath);
        if (path.empty()) Damaged("パスが空です");
        return path;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

struct Header {
    std::uint32_t state = kStateOpen;
    std::uint32_t done = 0;
    std::uint32_t count = 0;
    std::uint64_t bodySize = 0;
    std::uint32_t bodyCrc = 0;
};

void SealHeader(std::span<std::uint8_t> header) {
    WriteLe32(header, kJournalHeaderCheckedSize,
              Crc32(header.first(kJournalHeaderCheckedSize)));
}

Header DecodeHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    if (bytes.size() < kJournalHeaderSize || fileSize < kJournalHeaderSize)
        Damaged("見出しが途中で切れています");
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        Damaged("取り消しの記録ではありません");
    Reader r(bytes.subspan(kMagic.size(), kJournalHeaderSize - kMagic.size()));
    const std::uint32_t version = r.U32();
    Header header;
    header.state = r.U32();
    header.done = r.U32();
    header.count = r.U32();
    header.bodySize = r.U64();
    header.bodyCrc = r.U32();
    if (r.U32() != Crc32(bytes.first(kJournalHeaderCheckedSize)))
        Damaged("見出しの検査値が合いません");
    if (version != kJournalVersion) Damaged("版 " + std::to_string(version) + " は読めません");
    if (header.state != kStateOpen && header.state != kStateUndone) Damaged("状態が不明です");
    if (header.done > header.count) Damaged("済んだファイルの数がファイルの数を超えています");
    if (header.bodySize != fileSize - kJournalHeaderSize) Damaged("大きさがファイルと合いません");
    return header;
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) noexcept {
    static constexpr CrcTable kTable = MakeCrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) crc = kTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

TagRewrite Journal::RewriteOf(std::size_t i) const {
    TagRewrite rewrite = changes;
    if (numberTracks) rewrite.track = static_cast<int>(i + 1);
    return rewrite;
}

namespace {

// The request of the run: its texts, whether it numbers the tracks, and its jacket.
void EncodeRequest(Writer& w, const Journal& journal) {
    std::uint8_t flags = 0;
    if (journal.changes.texts) flags |= kFlagTexts;
    if (journal.numberTracks) flags |= kFlagNumberTracks;
    if (journal.jacket) flags |= kFlagJacket;
    w.U8(flags);
    if (journal.changes.texts) {
        w.Text(journal.changes.texts->artist, kMaxText);
        w.Text(journal.changes.texts->album, kMaxText);
        w.Text(journal.changes.texts->genre, kMaxText);
    }
    if (journal.jacket) {
        w.Text(journal.changes.jacketName.value_or(""), kMaxText);
        w.Path(journal.jacket->file);
        w.Path(journal.jacket->temporary);
        w.U64(journal.jacket->size);
        w.U32(journal.jacket->crc);
    }
}

// One file's entry: its path, what it was, and its old bytes in each of `composed`'s ranges
// without the zeros that end them.
void EncodeFile(Writer& w, const JournalFile& file, const ComposedRewrite& composed) {
    w.Path(file.path);
    w.U64(file.size);
    w.U64(static_cast<std::uint64_t>(file.lastWriteNs));
    if (file.oldBytes.size() != composed.TotalSize())
        throw UsageError("書き換える範囲に合わない元のバイト列です");
    std::span<const std::uint8_t> rest = file.oldBytes;
    static_assert(kTextFieldSize <= 0xFF && kJacketNameFieldSize <= 0xFF);
    for (const auto& range : composed.Ranges()) {
        const auto old = rest.first(range.size);
        rest = rest.subspan(range.size);
        std::size_t kept = old.size();
        while (kept > 0 && old[kept - 1] == 0) --kept;
        w.U8(static_cast<std::uint8_t>(kept));
        w.bytes.insert(w.bytes.end(), old.begin(), old.begin() + kept);
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeJournal(const Journal& journal) {
    // Which ranges a rewrite writes depends only on what the request holds, the same for every
    // file.
    const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
    if (journal.changes.jacketName.has_value() != journal.jacket.has_value())
        throw UsageError("ジャケット画像の名前とファイルが揃っていません");
    Writer w;
    w.bytes.resize(kJournalHeaderSize);
    EncodeRequest(w, journal);
    w.U32(static_cast<std::uint32_t>(journal.roots.size()));
    for (const JournalRoot& root : journal.roots) {
        w.Path(root.path);
        w.U8(root.player ? 1 : 0);
    }
    for (const JournalFile& file : journal.files) EncodeFile(w, file, composed);

    auto header = std::span(w.bytes).first(kJournalHeaderSize);
    const auto body = std::span<const std::uint8_t>(w.bytes).subspan(kJournalHeaderSize);
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    WriteLe32(header, 8, kJournalVersion);
    WriteLe32(header, 12, journal.undone ? kStateUndone : kStateOpen);
    WriteLe32(header, kJournalDoneOffset, journal.done);
    WriteLe32(header, 20, static_cast<std::uint32_t>(journal.files.size()));
    WriteLe32(header, 24, static_cast<std::uint32_t>(body.size()));
    WriteLe32(header, 28, static_cast<std::uint32_t>(std::uint64_t{body.size()} >> 32));
    WriteLe32(header, 32, Crc32(body));
    SealHeader(header);
    return std::move(w.bytes);
}

namespace {

// The request of the run: its texts, whether it numbers the tracks, and its jacket.
void DecodeRequest(Reader& r, const Header& header, Journal& journal) {
    const std::uint8_t flags = r.U8();
    if (flags & ~(kFlagTexts | kFlagNumberTracks | kFlagJacket)) Damaged("不明な印があります");
    if (flags & kFlagTexts) {
        TagTexts texts;
        texts.artist = r.Text(kMaxText);
        texts.album = r.Text(kMaxText);
        texts.genre = r.Text(kMaxText);
        journal.changes.texts = std::move(texts);
    }
    journal.numberTracks = (flags & kFlagNumberTracks) != 0;
    if (journal.numberTracks && !journal.changes.texts) Damaged("番号だけが付いています");
    if (journal.numberTracks && header.count > static_cast<std::uint32_t>(kMaxTrack))
        Damaged("番号を付けるファイルが多すぎます");
    if (flags & kFlagJacket) {
        journal.changes.jacketName = r.Text(kMaxText);
        if (!IsJacketFileName(*journal.changes.jacketName))
            Damaged("ジャケット画像ファイル名が正しくありません");
        JournalJacket jacket;
        jacket.file = r.Path();
        jacket.temporary = r.Path();
        jacket.size = r.U64();
        jacket.crc = r.U32();
        journal.jacket = std::move(jacket);
    }
}

std::vector<JournalRoot> DecodeRoots(Reader& r) {
    const std::uint32_t count = r.U32();
    if (count == 0 || count > r.left() / kMinRootRecord) Damaged("ドライブの数が合いません");
    std::vector<JournalRoot> roots;
    roots.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        JournalRoot root;
        root.path = r.Path();
        root.player = r.Flag();
        roots.push_back(std::move(root));
    }
    return roots;
}

// One file's entry: its path, what it was, and its old bytes in each of `composed`'s ranges.
JournalFile DecodeFile(Reader& r, const ComposedRewrite& composed) {
    JournalFile file;
    file.path = r.Path();
    file.size = r.U64();
    file.lastWriteNs = static_cast<std::int64_t>(r.U64());
    if (file.size < kTagBlockWriteEnd) Damaged("ファイルの大きさがタグに足りません");
    file.oldBytes.reserve(composed.TotalSize());
    for (const auto& range : composed.Ranges()) {
        const std::uint8_t kept = r.U8();
        if (kept > range.size) Damaged("範囲より長いバイト列があります");
        const auto old = r.Take(kept);
        // As written: the zeros that end a range are never kept.
        if (kept > 0 && old.back() == 0) Damaged("範囲のバイト列が 0 で終わっています");
        file.oldBytes.insert(file.oldBytes.end(), old.begin(), old.end());
        file.oldBytes.resize(file.oldBytes.size() + (range.size - kept), 0);
    }
    return file;
}

}  // namespace

Journal DecodeJournal(std::span<const std::uint8_t> bytes) {
    const Header header = DecodeHeader(bytes, bytes.size());
    const auto body = bytes.subspan(kJournalHeaderSize);
    if (Crc32(body) != header.bodyCrc) Damaged("本体の検査値が合いません");
    if (header.count > body.size() / kMinFileRecord)
        Damaged("ファイルの数が記録の大きさに合いません");

    Journal journal;
    journal.undone = header.state == kStateUndone;
    journal.done = header.done;
    Reader r(body);
    DecodeRequest(r, header, journal);
    journal.roots = DecodeRoots(r);
    // Which ranges a rewrite writes depends only on what the request holds, so every file keeps
    // the same number of old bytes.
    const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
    journal.files.reserve(header.count);
    for (std::uint32_t i = 0; i < header.count; ++i)
        journal.files.push_back(DecodeFile(r, composed));
    if (r.left() != 0) Damaged("終わりの後にバイトがあります");
    return journal;
}

bool DecodeJournalUndone(std::span<const std::uint8_t> header, std::uint64_t fileSize) {
    return DecodeHeader(header, fileSize).state == kStateUndone;
}

void SetJournalDone(std::span<std::uint8_t> header, std::uint32_t done) {
    WriteLe32(header, kJournalDoneOffset, done);
    SealHeader(header);
}

void SetJournalUndone(std::span<std::uint8_t> header) {
    WriteLe32(header, 12, kStateUndone);
    SealHeader(header);
}

}  // namespace corvina
