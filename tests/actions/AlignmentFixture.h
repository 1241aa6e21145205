#pragma once

#include <cmath>
#include <functional>

#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

namespace quivane::testing {

// A workspace holding pictures drawn from luminance functions, as a load
// would leave them: the result and input pictures 1..N.
class AlignmentFixture {
public:
    using Shade = std::function<int(int x, int y)>;

    explicit AlignmentFixture(int resultSize = 192) : ws("/opt/quivane")
    {
        FormCreate(ws, ui);
        ws.resultSize = resultSize;
        ResetWorkspaceSize(ws, ui);
    }

    Picture Drawn(const Shade& shade) const
    {
        Picture picture;
        PreparePictureBitmap(picture, ws.resultWidth, ws.resultHeight);
        for (int y = 0; y < ws.resultHeight; ++y)
            for (int x = 0; x < ws.resultWidth; ++x) {
                const int v = std::clamp(shade(x, y), 0, 255);
                picture.bitmap.at(x, y) = PicturePixel{255, 255, 255, static_cast<std::uint8_t>(v)};
            }
        return picture;
    }

    // Loads the pictures as input pictures 1..N; the result is the first.
    void Load(const std::vector<Shade>& shades)
    {
        ws.pictures.clear();
        ws.pictures.setResult(Drawn(shades.front()));
        for (const Shade& shade : shades) ws.pictures.addInput(Drawn(shade));
        ws.pictureCount = static_cast<int>(shades.size());
        ws.picturesLoaded = true;
        SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, ws.pictureCount);
        SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, ws.pictureCount);
        SetReadyControls(ui);
        SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
        SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, 1);
    }

    Picture& At(int n) { return ws.pictures.at(n); }

    Workspace ws;
    FakeUi ui;
};

// A bright disc with a sharp rim on a dark sky, like a planet: the score
// grows with the distance from the matching offset up to the disc's radius.
inline AlignmentFixture::Shade Blob(double cx, double cy, double radius = 40.0)
{
    return [=](int x, int y) {
        const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
        return d < radius ? 220 : 20;
    };
}

}  // namespace quivane::testing
