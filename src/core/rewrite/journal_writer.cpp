#include "core/rewrite/journal_writer.h"

#include <algorithm>
#include <exception>

#include "core/base/errors.h"
#include "core/os/drives.h"
#include "core/rewrite/journal_folder.h"

namespace corvina {

namespace {

// The count of files done is written at most this often while a run goes on, and after its last
// file. Undo reads the bytes of every file whatever the count says, so a count that lags only
// changes which files undo names as left alone.
constexpr auto kWriteInterval = std::chrono::milliseconds(100);

}  // namespace

void JournalWriter::Lock() {
    const std::string shown = UndoFolderPath(drives_);
    try {
        folder_ = drives_.ResolveOrThrow(shown);
        if (!FolderExists(folder_)) CreateFolder(folder_);
        lock_.emplace(RunLock::Acquire(folder_ / kRunLockName, program_));
    } catch (const RunLockHeld&) {
        throw;
    } catch (const std::exception& e) {
        // Without a journal nothing may be written; the folder is where the trouble lies.
        throw UndoFolderUnwritable("元に戻すための記録を書き込めません", shown, FailureText(e));
    }
}

void JournalWriter::Write(const Journal& journal) {
    if (!lock_) Lock();
    const std::vector<std::uint8_t> bytes = EncodeJournal(journal);
    const std::filesystem::path path = NextJournalPath(folder_);
    PlaceJournal(path, journal, bytes);
    path_ = path;
    std::copy(bytes.begin(), bytes.begin() + kJournalHeaderSize, header_.begin());
    file_.emplace(File::OpenWrite(path_));
    lastWrite_ = std::chrono::steady_clock::now();
    PruneJournals(folder_);
}

void JournalWriter::WriteCount() {
    // Only the header changes: the count and the header's own checksum.
    SetJournalDone(header_, done_);
    file_->WriteAt(0, header_);
    written_ = done_;
}

void JournalWriter::FileDone(std::size_t done) noexcept {
    if (!file_) return;
    done_ = static_cast<std::uint32_t>(done);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastWrite_ < kWriteInterval) return;
    try {
        WriteCount();
        lastWrite_ = now;
    } catch (const std::exception&) {
        // The rewrite has happened; undo finds the file rewritten all the same.
    }
}

void JournalWriter::Finish() noexcept {
    if (file_) {
        try {
            if (done_ != written_) WriteCount();
            file_->Sync();
            file_->Close();
        } catch (const std::exception&) {
            // The count then says a little less than was done; undo reads the files themselves.
        }
        file_.reset();
    }
    lock_.reset();
}

}  // namespace corvina
