// Fuzzes the journal reader: any file content must be read as a journal or refused with
// FormatError, without a crash, a hang or an allocation beyond the file's own size; a journal
// read must come out the same when written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "fuzz_input.h"
#include "platform/errors.h"
#include "rewrite/journal.h"

using corvina::fuzz::WriteInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = WriteInput(data, size);
    try {
        const corvina::Journal journal = corvina::ReadJournal(path);
        if (journal.done > journal.files.size()) std::abort();
        const std::vector<std::uint8_t> again = corvina::EncodeJournal(journal);
        if (again != std::vector<std::uint8_t>(data, data + size)) std::abort();
    } catch (const corvina::FormatError&) {
    }
    return 0;
}
