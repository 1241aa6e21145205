#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"

namespace quivane {

// A frame as the file holds it: 24 bits for video of at most 8 bits a
// sample, a deep frame for deeper video and for raw colour mosaics; or,
// read in place, 24-bit rows left in the decoder's memory.
using VideoFrame = std::variant<Bitmap24, DeepFrame, HeldRows>;

// Frames of a video file, read with FFmpeg. Only the file's first stream is
// used, and only when it is a video stream. Frames come in display order,
// the decoder emptied at the end so that none is lost. They are numbered by
// the packets that held them, counted from the stream's first: in an AVI by
// its chunks, whose numbers count the empty chunks of frames the capture
// dropped, elsewhere as the packets come. So frames a decoder holds back to
// reorder them take their places in turn, dropped frames leave a gap in an
// AVI instead of shifting the later ones, and frames that cannot be decoded
// leave one in any container. Frames an edit list leaves out (MP4, MOV) are
// neither numbered nor counted. An AVI whose index points past the end of
// the file is read through instead of trusting the index.
//
// The file and its decoder stay open from Open() to Close(); reading is
// meant to go forward, frame by frame. Going back works but reopens the file.
//
// Only regular files are read: a folder, FIFO or device is refused with a
// message naming it, before FFmpeg could wait on it for ever.
//
// Memory: an open video holds a constant (container, decoder and scaler
// state, a few rows) plus the packet being decoded, the decoder's frames and
// the frame ReadFrame() or ReadVideoFrame() returns, which the pixels are
// converted into with no copy in between; the decoder runs on one thread, as
// every frame thread holds a frame of its own. For video of at most 8 bits a
// sample whose frames are coded alone (raw, MJPEG, HuffYUV, FFV1, ...) the
// peak is at most 4 x the frame's size in 24 bits (width x height x 3 bytes)
// plus that constant; deeper video takes twice that, its samples and the deep
// frame's being 16 bits wide. Decoders of inter-coded video (H.264, ...) add
// the reference frames they keep. A frame read in place keeps the decoder's
// frame, and the packet its rows lie in, for as long as it is held, in place
// of a bitmap of its own. The decoder refuses a frame beyond
// MaxFrameSide x MaxFrameSide pixels before allocating it, and a frame larger
// than the file announces is refused before its bitmap is made.
class VideoSource {
public:
    VideoSource();
    ~VideoSource();
    VideoSource(VideoSource&&) noexcept;
    VideoSource& operator=(VideoSource&&) noexcept;
    VideoSource(const VideoSource&) = delete;
    VideoSource& operator=(const VideoSource&) = delete;

    // The number of frames of the first stream, or -1 when the file cannot be
    // opened, its first stream is not video or its frame size is outside
    // 1..MaxFrameSide. 0 means a video stream without a single frame.
    static int VideoFrameCount(const std::string& path);
    // The same; `message` says why the answer is -1 or 0, or warns when the
    // file holds fewer frames than its header announces (a capture cut
    // short). It is empty otherwise.
    static int VideoFrameCount(const std::string& path, std::string& message);

    // Opens the file and the decoder of its first stream; on failure nothing
    // stays open and LastError() says why. Opening closes any earlier file.
    bool Open(const std::string& path);
    bool IsOpen() const;
    void Close();

    // Chooses the frame the next ReadFrame() returns. Reading does not move
    // the position, so reading twice returns the same frame twice.
    void Seek(int k);

    // The frame at the position as 24 bits, rows top first, colours as
    // displayed; nullopt when the file holds no decodable frame there (a
    // dropped or damaged frame, or past the end). The last frame decoded is
    // kept, so reading it again costs no decoding.
    std::optional<Bitmap24> ReadFrame();

    // The frame at the position as the file holds it. Video of more than 8
    // bits a sample comes as a deep frame: grey as one channel, anything
    // else as red, green and blue; `bits` is the file's depth. A raw colour
    // mosaic (FFmpeg's bayer formats, 8 or 16 bits) comes as one channel
    // with its pattern, not debayered. Everything else comes as ReadFrame()
    // gives it.
    std::optional<VideoFrame> ReadVideoFrame();
    // The same into `frame`, whose storage a 24-bit frame reuses: a load
    // reads thousands of frames of one size. False when there is no frame.
    bool ReadVideoFrame(VideoFrame& frame);
    // The same, except that a frame the decoder holds as plain 24-bit rows
    // (raw BGR video) is not copied: it comes as those rows, kept where they
    // lie for as long as any copy of the frame is, whatever is read next.
    bool ReadVideoFrameInPlace(VideoFrame& frame);

    // Why the last read found no frame.
    enum class Miss {
        None,
        NotHeld,      // the file keeps no frame there: dropped by the capture, or outside
        Undecodable,  // its data is there but cannot be decoded
        Unshowable,   // decoded, but its pixels cannot be used (LastError() says why)
        PastEnd,      // the data ends before it
    };
    Miss LastMiss() const { return lastMiss_; }
    // For a frame that cannot be shown: why, without naming frame or file.
    const std::string& LastProblem() const { return lastProblem_; }

    // Why the last Open() failed, or what the last read missed.
    const std::string& LastError() const { return lastError_; }

    // Damaged files are reported through our own messages; the decoder's
    // own complaints on stderr only confuse scripts and users.
    static void SilenceDecoderMessages();

private:
    struct Decoder;

    std::unique_ptr<Decoder> decoder_;
    std::string path_;
    std::string lastError_;
    Miss lastMiss_ = Miss::None;
    std::string lastProblem_;
    int position_ = 0;

    // Decodes up to the frame at the position; false when there is none.
    bool DecodeToPosition();
    // ReadVideoFrame, with the held frame's plain rows left in place or not.
    bool ReadVideoFrame(VideoFrame& frame, bool inPlace);
    // Records the outcome of converting the frame at the position.
    void NoteConversion(bool converted, const std::string& problem);
};

}  // namespace quivane
