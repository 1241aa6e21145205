#include "window/QtImage.h"

namespace quivane {

QImage ToQImage(const Bitmap24& bitmap)
{
    if (bitmap.empty()) return QImage();
    const QImage view(reinterpret_cast<const uchar*>(bitmap.row(0)), bitmap.width(), bitmap.height(),
                      static_cast<qsizetype>(bitmap.width()) * 3, QImage::Format_BGR888);
    return view.copy();
}

}  // namespace quivane
