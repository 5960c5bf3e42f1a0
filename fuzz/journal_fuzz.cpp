// Fuzzes the journal reader: any file content must be read as a journal or refused with
// FormatError, without a crash, a hang or an allocation beyond the file's own size; a journal
// read must come out the same when written again. The input is tried twice: as a whole file, and
// as the body behind a header whose checksums fit, so that the body's reader is reached too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <vector>

#include "core/base/errors.h"
#include "core/rewrite/journal_folder.h"
#include "core/rewrite/journal_format.h"
#include "fuzz_input.h"

using corvina::fuzz::WriteInput;

namespace {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int count) {
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Check(const std::vector<std::uint8_t>& bytes) {
    try {
        const corvina::Journal journal = corvina::DecodeJournal(bytes);
        if (journal.done > journal.files.size()) std::abort();
        if (corvina::EncodeJournal(journal) != bytes) std::abort();
    } catch (const corvina::FormatError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = WriteInput(data, size);
    try {
        const corvina::Journal journal = corvina::ReadJournal(path);
        if (corvina::EncodeJournal(journal) != std::vector<std::uint8_t>(data, data + size))
            std::abort();
    } catch (const corvina::FormatError&) {
    }

    // The first two bytes give the file count and the files done; the rest is the body.
    if (size < 2) return 0;
    const std::span<const std::uint8_t> body(data + 2, size - 2);
    std::vector<std::uint8_t> bytes = {'C', 'O', 'R', 'V', 'U', 'N', 'D', 'O'};
    Put(bytes, corvina::kJournalVersion, 4);
    Put(bytes, 0, 4);
    Put(bytes, data[1], 4);
    Put(bytes, data[0], 4);
    Put(bytes, body.size(), 8);
    Put(bytes, Crc32(body), 4);
    Put(bytes, Crc32(bytes), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    Check(bytes);
    return 0;
}
