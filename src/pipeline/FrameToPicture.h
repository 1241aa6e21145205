#pragma once

// What a load makes of one frame, apart from the list it goes into.

#include <optional>
#include <variant>

#include "acquire/CaptureFile.h"
#include "pipeline/SeriesLoading.h"
#include "select/FrameMeasure.h"

namespace quivane {

// A frame of any kind, as read: a colour or grey frame as rows, wherever
// they lie.
using FrameRef = std::variant<ColourRows, GreyRows, const DeepFrame*>;

FrameRef RefOf(const CaptureFrame& frame);

// What a frame becomes, what an observer is shown of it (the frame itself,
// or for a deep or debayered frame its 24-bit rendition), and, when the load
// scores, what frame selection reads of the frame to measure it.
struct PreparedFrame {
    Picture picture;
    Bitmap24 shown;
    std::optional<ObjectView> view;
};

// The frame made into a picture with the load's settings: corrected,
// debayered, taken at full depth or at 8 bits as the settings and the frame
// ask. Pure: may run on any thread.
PreparedFrame PrepareFrame(FrameRef frame, const SeriesSettings& settings);

}  // namespace quivane
