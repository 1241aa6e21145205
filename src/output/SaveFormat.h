#pragma once

#include <string>

namespace quivane {

// The kinds of file a result can be saved as.
enum class PictureFormat { Bmp, Png, Tiff, Fits };

// Bits a saved sample has: whole levels (8), 16-bit integers, or 32-bit
// floating point (FITS only).
enum class SampleDepth { Eight, Sixteen, Float };

struct SaveChoice {
    PictureFormat format = PictureFormat::Bmp;
    SampleDepth depth = SampleDepth::Eight;

    friend bool operator==(const SaveChoice&, const SaveChoice&) = default;
};

// The format a file name asks for, by its extension in any letter case:
// .png; .tif or .tiff; .fits, .fit or .fts. Any other name is a bitmap, as
// every save was before there were other formats.
PictureFormat FormatOfName(const std::string& path);

// BMP holds 8 bits a channel; PNG and TIFF 8 or 16; FITS 8, 16 or float.
bool HoldsDepth(PictureFormat format, SampleDepth depth);

// The depth asked for, or the deepest the format holds below it.
SampleDepth DepthFor(PictureFormat format, SampleDepth asked);

// The extension automatic names get, without its dot: bmp, png, tif, fits.
const char* ExtensionOf(PictureFormat format);

// "BMP", "PNG", "TIFF" or "FITS".
const char* FormatName(PictureFormat format);

// How a save is described to the user: "24-bit BMP", "PNG, 16 bits a
// channel, colour", "FITS, 32-bit float, grey".
std::string DescribeSave(SaveChoice choice, bool grey);

}  // namespace quivane
