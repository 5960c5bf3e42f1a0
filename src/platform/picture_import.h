#pragma once

#include <filesystem>

#include "platform/picture.h"

// Picture import: a JPEG or Windows bitmap file made into a 15-bit picture of an exact size.
namespace corvina {

// Reads the picture file, stretches it to exactly width x height without keeping proportions
// (area averaging of the full-size picture), and keeps the top five bits of each channel.
// The file's extension decides the decoder: exactly ".JPG" or ".jpg" is JPEG; anything else,
// ".Jpg", ".jpeg" and no extension included, is a Windows bitmap. The picture is reduced while
// it is decoded, so memory does not grow with the source picture's size.
// Throws FileError when the file cannot be read and FormatError when it is damaged or is not
// what its extension says.
Picture15 ImportPicture(const std::filesystem::path& file, int width, int height);

}  // namespace corvina
