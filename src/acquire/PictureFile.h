#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "acquire/BmpReader.h"
#include "image/Bitmap.h"
#include "image/DeepFrame.h"

namespace quivane {

// Reads one still picture as a deep frame, its format told by the file's
// first bytes whatever its name says: BMP, PNG, JPEG, TIFF (8 or 16 bits a
// sample) or FITS (8, 16 or 32-bit integers, or floating point). Grey files
// give one channel, colour files three in R, G, B order; alpha is dropped and
// a palette gives its colours (one channel when they are all grey). FITS
// files may give a raw colour mosaic (BAYERPAT) or three colour planes.
// Sizes are checked before anything is decoded, and a damaged or cut file is
// refused rather than delivered in part.
std::variant<DeepFrame, ReadFailure> ReadPictureFile(const std::string& path);

// The same, with a bitmap kept as the 24-bit frame it is, so that a series of
// bitmaps loads without widening every frame.
std::variant<Bitmap24, DeepFrame, ReadFailure> ReadSeriesPicture(const std::string& path);

// A picture of a series as read: a bitmap's colour or grey rows, or
// any other picture at its own depth.
using SeriesPicture = std::variant<ColourRows, GreyRows, DeepFrame, ReadFailure>;

// ReadSeriesPicture for the pictures of a series one after another: a
// bitmap's bytes and frame stay in the reader's storage from one picture to
// the next, so that frames of one size need no fresh memory, and a bitmap
// comes back as the reader's own rows or frame, valid until the next read.
class SeriesPictureReader {
public:
    SeriesPicture read(const std::string& path);

private:
    BmpStorage bmp_;
};

}  // namespace quivane
