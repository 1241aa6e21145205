#pragma once

#include <QImage>

namespace quivane {

// The 192 x 144, 256-colour pictures the two boxes show until the first load.
QImage InputStartPicture();   // a banded planet
QImage ResultStartPicture();  // a crescent moon

}  // namespace quivane
