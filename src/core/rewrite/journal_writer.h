#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/os/files.h"
#include "core/os/run_lock.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_format.h"

// The journal of one batch run, kept in the undo folder of the drive map: the run's lock taken,
// the journal put in place whole before the run writes its first byte, and how many files the
// run has done written into its header as it goes.
namespace corvina {

class DriveMap;

class JournalWriter : public BatchJournal {
public:
    // `program` names the holder of the lock: the program or corvina-cli.
    JournalWriter(const DriveMap& drives, std::string_view program)
        : drives_(drives), program_(program) {}
    ~JournalWriter() override { Finish(); }

    void Lock() override;
    void Write(const Journal& journal) override;
    void FileDone(std::size_t done) noexcept override;
    void Finish() noexcept override;

    // The journal written by Write (a host path), or empty before.
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    // Writes done_ into the header in place.
    void WriteCount();

    const DriveMap& drives_;
    std::string program_;
    std::filesystem::path folder_;
    std::optional<RunLock> lock_;
    std::filesystem::path path_;
    std::optional<File> file_;
    std::array<std::uint8_t, kJournalHeaderSize> header_{};  // as on file
    std::uint32_t done_ = 0;                                 // as the run last told
    std::uint32_t written_ = 0;                              // as the header on file says
    std::chrono::steady_clock::time_point lastWrite_;
};

}  // namespace corvina
