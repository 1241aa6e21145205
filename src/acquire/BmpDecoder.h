#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "image/Bitmap.h"

namespace quivane {

// Decodes a whole Windows or OS/2 bitmap file held in memory into a 24-bit
// frame, top row first.
//
// Read: OS/2 headers of 12 and 16..64 bytes, Windows headers of 40, 52, 56,
// 108 and 124 bytes; palettes of 1, 2, 4 and 8 bits, RLE8 and RLE4; 24 bits;
// 16 and 32 bits with default or explicit channel masks, where each channel
// of n bits is scaled exactly as round(v * 255 / (2^n - 1)) and alpha is
// dropped. A palette index past the palette is black, and so are pixels a
// run-length stream leaves out when the palette is empty; otherwise those
// pixels take palette entry 0.
//
// Every size the header declares is checked against the bytes present before
// anything is allocated, so the memory a decode needs is the file plus one
// frame. A file that cannot be decoded safely gives a problem as lower-case
// text without the file name. Sides larger than `maxSide` are refused.
std::variant<Bitmap24, std::string> DecodeBmp(const std::uint8_t* data, std::size_t size, int maxSide);

// The same into `frame`, whose memory is kept: a series of frames of one
// size needs none after the first. On a problem the frame is unspecified.
std::optional<std::string> DecodeBmpInto(const std::uint8_t* data, std::size_t size, int maxSide, Bitmap24& frame);

// Where the rows of a plain bitmap lie in its file: it is read straight into
// memory and used as its rows, without decoding. Plain is 24 bits a pixel,
// or 8 bits with the grey ramp for palette (entry i is grey i, as monochrome
// cameras' capture programs write), where each byte decodes to its own grey.
struct PlainRows {
    int width, height;
    std::uint64_t pixelOffset;
    std::size_t stride;  // bytes a row takes in the file, padding included
    bool bottomUp;
    bool grey;  // a byte a pixel, its grey level; else blue, green, red
};

// How many of a file's first bytes PlainBmpRows needs: every header field
// it reads lies in them.
constexpr std::size_t PlainHeaderBytes = 256;

// How many it looks at when they are there: room for the largest header
// and a palette of 256 entries, which a grey bitmap's ramp must lie in.
constexpr std::size_t PlainStartBytes = 2048;

// The rows of a plain bitmap, when `start` holds at least the first
// PlainHeaderBytes (`present` of them) of a file of `fileSize` bytes that
// passes every check DecodeBmp makes; nothing for any other file, which
// DecodeBmp then reads (and refuses with the same words).
std::optional<PlainRows> PlainBmpRows(const std::uint8_t* start, std::size_t present, std::uint64_t fileSize,
                                      int maxSide);

}  // namespace quivane
