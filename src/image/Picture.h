#pragma once

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "image/Bitmap.h"
#include "image/FrameFault.h"

namespace quivane {

// Quality marks, as the user sets them and as the combination weighs them.
enum QualityMark : int { QualityDont = 0, QualityBad = 1, QualityAvg = 2, QualityGood = 3 };

// One prepared picture of the working size with the state alignment and
// combination need.
class Picture {
public:
    int threshold = 0;
    int enlargement = 0;
    Bitmap32 bitmap;
    bool fullPicture = false;
    int quality = QualityAvg;
    int dx = 0;
    int dy = 0;
    // What frame selection found of the frame the picture was made from: how
    // sharp its object is (larger is sharper; not a number until measured)
    // and, once the whole series was judged, why the frame is no use.
    double sharpness = std::numeric_limits<double>::quiet_NaN();
    FrameFault fault = FrameFault::None;

    bool scored() const { return !std::isnan(sharpness); }
};

// The pictures of a loaded series: the result picture, which every
// calculation run rebuilds, and the input pictures in the order read, all of
// the working size. They are numbered as the window shows them: 0 the
// result, 1..inputCount() the inputs.
class PictureSeries {
public:
    // Nothing loaded: no result (and no inputs).
    bool empty() const { return !result_; }
    int inputCount() const { return static_cast<int>(inputs_.size()); }

    Picture& result() { return *result_; }
    const Picture& result() const { return *result_; }
    // Input picture `number`, 1..inputCount().
    Picture& input(int number) { return inputs_[static_cast<std::size_t>(number - 1)]; }
    const Picture& input(int number) const { return inputs_[static_cast<std::size_t>(number - 1)]; }
    // Picture `number` as the window numbers them: 0 the result.
    Picture& at(int number) { return number == 0 ? result() : input(number); }
    const Picture& at(int number) const { return number == 0 ? result() : input(number); }

    void setResult(Picture picture) { result_ = std::move(picture); }
    void addInput(Picture picture) { inputs_.push_back(std::move(picture)); }
    // Every picture gone, and their storage given back.
    void clear()
    {
        result_.reset();
        std::vector<Picture>().swap(inputs_);
    }

private:
    std::optional<Picture> result_;
    std::vector<Picture> inputs_;
};

// Sizes the picture's bitmap, leaving its pixels for the caller to write
// every one, and gives it fresh alignment state.
void PreparePictureBitmap(Picture& picture, int width, int height);

// The aligned read every stage shares: result position (x, y) takes the
// stored pixel at (x + Dx, y + Dy), each coordinate clamped into the
// picture so the border pixels repeat outward.
inline const PicturePixel& GetShiftedPixel(const Picture& picture, int x, int y)
{
    const Bitmap32& bitmap = picture.bitmap;
    int sx = x + picture.dx;
    int sy = y + picture.dy;
    sx = sx < 0 ? 0 : (sx >= bitmap.width() ? bitmap.width() - 1 : sx);
    sy = sy < 0 ? 0 : (sy >= bitmap.height() ? bitmap.height() - 1 : sy);
    return bitmap.at(sx, sy);
}

}  // namespace quivane
