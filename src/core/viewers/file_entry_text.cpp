#include "core/viewers/file_entry_text.h"

namespace corvina {

std::string SizeText(std::uint64_t bytes) { return std::to_string(bytes) + " Byte"; }

EntryTexts TextsOfEntry(const DirEntry& entry, const DateTimeFormat& format) {
    return {entry.name, DateTimeToString(entry.lastWrite, format), SizeText(entry.size)};
}

}  // namespace corvina
