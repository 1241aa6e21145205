#pragma once

#include <optional>
#include <string>
#include <vector>

#include "acquire/CaptureFile.h"
#include "acquire/SequenceNames.h"
#include "image/Picture.h"
#include "image/DeepFrame.h"
#include "prepare/Debayer.h"
#include "prepare/FrameCorrection.h"

namespace quivane {

// What a load makes of each frame: its picture; its picture and what frame
// selection measures of the frame (its sharpness and the facts the series is
// judged on); or those measures alone, to score a series loaded before.
enum class SeriesWork { Pictures, PicturesAndScores, ScoresOnly };

// How every frame of a load becomes a picture.
struct SeriesSettings {
    int enlargement = 2;
    bool fullPicture = false;
    int width = 192;   // the working size
    int height = 144;
    int maxPictures = 0;
    CorrectionState correction;  // flags 0: frames are used as read
    BayerChoice bayer = BayerChoice::Auto;
    // Measuring never changes a picture's pixels.
    SeriesWork work = SeriesWork::PicturesAndScores;
};

// What a load ended with besides its pictures.
struct SeriesLoadReport {
    std::optional<std::string> failure;  // why it ended before the series did
    std::vector<std::string> warnings;   // frames left out, skipped or missing
};

// What a load tells whoever watches it; every method may do nothing.
class LoadObserver {
public:
    virtual ~LoadObserver() = default;
    // Picture `index` (0 is the result) is about to be prepared from `frame`.
    // The frame's rows stay as they are until the next frame is given (to
    // either `preparing` or `preparingGrey`) or, for the last one, until
    // `ending` returns.
    virtual void preparing(int /*index*/, const ColourRows& /*frame*/) {}
    virtual void prepared(int /*index*/, const ColourRows& /*frame*/, const Picture& /*picture*/) {}
    // The same for a grey frame, which a window may widen to show it.
    virtual void preparingGrey(int /*index*/, const GreyRows& /*frame*/) {}
    virtual void preparedGrey(int /*index*/, const GreyRows& /*frame*/, const Picture& /*picture*/) {}
    // The list now holds `count` input pictures.
    virtual void counted(int /*count*/) {}
    // Between frames, where a window lets its events run.
    virtual void paused() {}
    // Asked once per frame; true ends the load. Reading clears the request.
    virtual bool stopRequested() { return false; }
    // The load has added its last frame, however it ended (unless by an
    // exception): what keeps the frame last given must copy it now.
    virtual void ending() {}
};

// Adds one frame read by a load, corrected when a correction is in force: the
// first frame becomes the result picture and input picture 1, every later one
// the next input picture. Preparation never changes the frame it is given, so
// the first frame is prepared twice from the one read. The picture takes the
// frame's sharpness when the settings ask for scores; a frame added alone is
// not judged (see the two loads below, which judge their series).
void AddSeriesFrame(PictureSeries& pictures, const Bitmap24& frame, const SeriesSettings& settings,
                    LoadObserver& observer);

// The same for an 8-bit grey frame, prepared without widening it (unless a
// correction or a named mosaic needs more).
void AddSeriesFrame(PictureSeries& pictures, const Bitmap8& frame, const SeriesSettings& settings,
                    LoadObserver& observer);

// The same for a frame read at its own depth: a colour mosaic is debayered
// with the pattern chosen, and a frame of more than 8 bits (or any frame once
// a correction file has more) is prepared from its full depth. A frame of
// 8-bit data takes the 24-bit way, to the same bytes.
void AddSeriesFrame(PictureSeries& pictures, const DeepFrame& frame, const SeriesSettings& settings,
                    LoadObserver& observer);

// "kept 455 of 5000 frames: picture memory full"
std::string FramesLeftOutWarning(int kept, int total);

// The warnings as one line, "; " between them.
std::string JoinedWarnings(const SeriesLoadReport& report);

// Reads every existing file of the numbered sequence from `names.first` to
// `names.last` in `folder` (names matched in any letter case) and adds it,
// up to the picture limit, until the observer asks to stop. A file that
// cannot be read ends the load; its message is the failure, and what was
// read so far stays a complete series. When the settings ask for scores, the
// series read is judged at its end (however it ended) and every input picture
// takes its frame's fault.
SeriesLoadReport LoadBitmapSeries(const std::string& folder, const SequenceNames& names,
                                            const std::string& extension, const SeriesSettings& settings,
                                            PictureSeries& pictures, LoadObserver& observer);

// Reads frames 0 .. min(maxPictures, frame count) - 1 of a capture in order
// and adds each one that decodes; warnings say which frames could not be
// used, whether the data ended early, and how many the limit left out. The
// series is judged at its end as a bitmap series is.
SeriesLoadReport LoadCaptureSeries(CaptureFile& capture, const SeriesSettings& settings, PictureSeries& pictures,
                                   LoadObserver& observer);

}  // namespace quivane
