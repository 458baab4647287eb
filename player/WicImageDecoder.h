#pragma once
// Decodes the JPEG (and PNG, GIF) pictures movies embed, with the system's imaging component.
#include <cstddef>
#include <cstdint>

struct Bitmap;

// Fills image's size and straight RGBA pixels; false when the bytes are not a picture it knows
// or the picture is larger than the player accepts.
bool DecodeImageWithWic(const std::uint8_t* data, std::size_t size, Bitmap& image);
