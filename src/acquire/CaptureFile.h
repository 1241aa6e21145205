#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"

namespace quivane {

// A frame of a capture: 24 bits as a video decoder gives it, 8-bit grey, or
// deep; or 24-bit rows left in a video decoder's memory (ReadFrameInPlace).
using CaptureFrame = std::variant<Bitmap24, Bitmap8, DeepFrame, HeldRows>;

// A capture file opened by what it holds, not by its name: a SER file is read
// by our own reader (FFmpeg's does not read every byte order right), anything
// else by FFmpeg (AVI, MP4, MOV, MKV, ...).
class CaptureFile {
public:
    CaptureFile();
    ~CaptureFile();
    CaptureFile(CaptureFile&&) noexcept;
    CaptureFile& operator=(CaptureFile&&) noexcept;

    // The capture, or why it cannot be read (without the file name).
    static std::variant<CaptureFile, std::string> Open(const std::string& path);

    int frameCount() const { return frameCount_; }
    // Says when the file holds fewer frames than it announces.
    const std::string& note() const { return note_; }

    // Frame k (0-based) into `frame`, reusing its memory where the kind
    // stays; false for a frame that cannot be decoded. Video of more than 8
    // bits a sample, and raw colour mosaics, come as deep frames.
    bool ReadFrame(int k, CaptureFrame& frame);
    // The same, except that a video frame its decoder holds as plain 24-bit
    // rows is left where it lies, held (see VideoSource::ReadVideoFrameInPlace).
    bool ReadFrameInPlace(int k, CaptureFrame& frame);

    // What reading found wrong since the last call, one sentence (without
    // the file name) for each kind: frames whose data cannot be decoded or
    // used, and data that ends before the frames counted at opening. Frames
    // the capture dropped are not warned of: the file keeps no data for them.
    // Frames are counted from 1 here, as a user counts them.
    std::vector<std::string> TakeWarnings();

private:
    struct Source;
    // Frames left out for one reason.
    struct LeftOut {
        std::string reason;  // "cannot be decoded"
        int count = 0;
        std::vector<int> first;  // the first few frames' numbers, 0-based
    };

    void NoteLeftOut(int k, const std::string& reason);
    bool Read(int k, CaptureFrame& frame, bool inPlace);

    std::unique_ptr<Source> source_;
    int frameCount_ = 0;
    std::string note_;
    std::vector<LeftOut> leftOut_;
    int dataEnd_ = -1;  // the first frame past the data, once one was missed
};

}  // namespace quivane
