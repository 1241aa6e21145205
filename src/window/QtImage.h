#pragma once

#include <QImage>

#include "image/Bitmap.h"

namespace quivane {

// A deep copy of a 24-bit bitmap as a toolkit image, for showing it.
QImage ToQImage(const Bitmap24& bitmap);

}  // namespace quivane
