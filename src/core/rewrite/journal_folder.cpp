#include "core/rewrite/journal_folder.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <utility>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/drives.h"
#include "core/os/files.h"

namespace corvina {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".undo";
constexpr std::string_view kTemporaryEnd = ".undo.tmp";
constexpr std::size_t kLeastDigits = 8;

bool IsDigits(std::string_view text) noexcept {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A run's number as its digits without leading zeros ("" for 0), so that numbers of any length
// compare: the longer is larger, then the larger text.
std::string NumberOf(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string() : std::string(digits.substr(first));
}

bool NumberLess(const std::string& a, const std::string& b) noexcept {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::string PlusOne(std::string number) {
    std::size_t i = number.size();
    while (i > 0 && number[i - 1] == '9') number[--i] = '0';
    if (i == 0)
        number.insert(number.begin(), '1');
    else
        ++number[i - 1];
    return number;
}

struct Numbered {
    std::string number;
    fs::path path;
};

std::vector<Numbered> NumberedJournals(const fs::path& folder) {
    std::vector<Numbered> found;
    for (const DirEntry& entry : ListFolder(folder, "*.undo")) {
        const std::string& name = entry.name;
        if (entry.IsFolder() || !name.ends_with(kExtension)) continue;
        const std::string_view stem = std::string_view(name).substr(0, name.size() - kExtension.size());
        if (!IsDigits(stem)) continue;
        found.push_back({NumberOf(stem), folder / PathFromUtf8(name)});
    }
    std::sort(found.begin(), found.end(),
              [](const Numbered& a, const Numbered& b) { return NumberLess(b.number, a.number); });
    return found;
}

}  // namespace

std::string UndoFolderPath(const DriveMap& drives) {
    return JoinPath(drives.ProgramFolder(), kUndoFolderName);
}

std::vector<fs::path> ListJournals(const fs::path& folder) {
    std::vector<fs::path> paths;
    for (Numbered& journal : NumberedJournals(folder)) paths.push_back(std::move(journal.path));
    return paths;
}

fs::path NextJournalPath(const fs::path& folder) {
    const std::vector<Numbered> existing = NumberedJournals(folder);
    std::string name = PlusOne(existing.empty() ? std::string() : existing.front().number);
    if (name.size() < kLeastDigits) name.insert(0, kLeastDigits - name.size(), '0');
    return folder / PathFromUtf8(name + std::string(kExtension));
}

void PlaceJournal(const fs::path& path, const Journal& journal,
                  std::span<const std::uint8_t> bytes) {
    // Hidden, and not read as a journal: a run killed while writing it leaves nothing that undo
    // would take for a damaged journal.
    const fs::path temporary = path.parent_path() / PathFromUtf8("." + Utf8FromPath(path.stem()) +
                                                                 std::string(kTemporaryEnd));
    // One of that name is a leftover of a run killed while writing it: the caller holds the run
    // lock, so no run is writing it now.
    std::error_code ec;
    fs::remove(temporary, ec);
    try {
        {
            File file = File::CreateNew(temporary);
            file.WriteAt(0, bytes);
            file.Sync();
            file.Close();
        }
        // Read back as undo will read it: what cannot be undone is not kept.
        if (!(ReadJournal(temporary) == journal))
            throw FormatError("取り消しの記録を書き込めません", Utf8FromPath(path),
                              "読み返した記録が書いた内容と合いません");
        MoveFile(temporary, path);
        SyncFolder(path.parent_path());
    } catch (const std::exception&) {
        fs::remove(temporary, ec);
        throw;
    }
}

void PruneJournals(const fs::path& folder) {
    const std::vector<fs::path> journals = ListJournals(folder);
    std::vector<fs::path> gone(journals.begin() + std::min(journals.size(), kJournalsKept),
                               journals.end());
    for (const DirEntry& entry : ListFolder(folder, "*.tmp")) {
        if (!entry.IsFolder() && entry.name.starts_with('.') && entry.name.ends_with(kTemporaryEnd))
            gone.push_back(folder / PathFromUtf8(entry.name));
    }
    for (const fs::path& path : gone) {
        try {
            DeleteFile(path);
        } catch (const std::exception&) {
        }
    }
}

Journal ReadJournal(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path, kMaxJournalBytes);
    try {
        return DecodeJournal(bytes);
    } catch (const FormatError& e) {
        throw FormatError(e.failure(), Utf8FromPath(path), e.reason());
    }
}

bool JournalUndone(const fs::path& path) {
    const File file = File::OpenRead(path);
    std::array<std::uint8_t, kJournalHeaderSize> bytes{};
    const std::size_t got = file.ReadAt(0, bytes);
    try {
        return DecodeJournalUndone(std::span(bytes).first(got), file.Size());
    } catch (const FormatError& e) {
        throw FormatError(e.failure(), Utf8FromPath(path), e.reason());
    }
}

void MarkJournalUndone(const fs::path& path) {
    // The header is read and checked again, so that a journal changed meanwhile is not marked
    // with a header that no longer fits it.
    File file = File::OpenReadWrite(path);
    std::array<std::uint8_t, kJournalHeaderSize> header{};
    const std::size_t got = file.ReadAt(0, header);
    try {
        DecodeJournalUndone(std::span(header).first(got), file.Size());
    } catch (const FormatError& e) {
        throw FormatError(e.failure(), Utf8FromPath(path), e.reason());
    }
    SetJournalUndone(header);
    file.WriteAt(0, header);
    file.Sync();
    file.Close();
}

fs::path SetJournalAside(const fs::path& path) {
    fs::path aside = path;
    aside += PathFromUtf8(kSetAsideExtension);
    MoveFile(path, aside);
    return aside;
}

}  // namespace corvina
