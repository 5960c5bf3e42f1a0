#pragma once

#include <cstdint>
#include <string>

#include "core/base/datetime.h"
#include "core/os/files.h"

// A file's directory entry as the viewer pages show it.
namespace corvina {

struct EntryTexts {
    std::string name;       // as stored on disk
    std::string timeStamp;  // the last-write time as the platform's date-and-time text
    std::string size;       // "11266 Byte": decimal digits without separators, then " Byte"
    friend bool operator==(const EntryTexts&, const EntryTexts&) = default;
};

std::string SizeText(std::uint64_t bytes);
EntryTexts TextsOfEntry(const DirEntry& entry, const DateTimeFormat& format = {});

}  // namespace corvina
