#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "files/FileHandle.h"
#include "image/Bitmap.h"
#include "image/DeepFrame.h"

namespace quivane {

// The layout of a SER capture: a 178-byte header, the frames one after the
// other, and optionally one 64-bit timestamp per frame after them.
struct SerLayout {
    int width = 0;
    int height = 0;
    int colourId = 0;       // 0 grey, 8..11 a raw mosaic, 100 RGB, 101 BGR
    int depth = 8;          // significant bits per sample, 1..16
    int planes = 1;         // samples per pixel
    int bytesPerSample = 1;
    int declaredFrames = 0;
    int frames = 0;         // complete frames the file holds
    bool headerSaysLittleEndian = true;
    bool hasTimestamps = false;
    std::uint64_t frameBytes = 0;

    Mosaic mosaic() const;
    std::uint64_t frameOffset(int k) const;
    std::uint64_t timestampOffset(int k) const;
};

constexpr std::size_t SerHeaderBytes = 178;

// Reads the header, given the file's first bytes and its size; a problem is
// returned as text without the file name.
std::variant<SerLayout, std::string> ParseSerHeader(const std::uint8_t* header, std::size_t headerSize,
                                                    std::uint64_t fileSize, int maxSide);

// Which byte order a 16-bit file's samples are in. The header's flag is
// written both ways by capture programs, so it is only the tie-breaker.
bool SamplesAreLittleEndian(const SerLayout& layout, const std::uint8_t* frame);

// One frame's bytes as a deep frame: BGR becomes RGB, samples are scaled to
// 0..65535 from the header's depth.
DeepFrame DecodeSerFrame(const SerLayout& layout, const std::uint8_t* frame, bool littleEndian);

// A SER file opened for reading frames in any order.
class SerFile {
public:
    static std::variant<SerFile, std::string> Open(const std::string& path, int maxSide);

    const SerLayout& layout() const { return layout_; }
    // Says when the header promises more frames than the file holds.
    const std::string& note() const { return note_; }
    // Frame k (0-based) or why it could not be read.
    std::variant<DeepFrame, std::string> ReadFrame(int k);
    // True for 8-bit grey captures, whose frames ReadGrey reads.
    bool IsEightBitGrey() const { return layout_.colourId == 0 && layout_.bytesPerSample == 1; }
    // Frame k of an 8-bit grey capture straight into `frame`, whose memory
    // is reused from one frame to the next.
    bool ReadGrey(int k, Bitmap8& frame);
    // The capture time of frame k in the file's ticks, when it has them.
    std::optional<std::int64_t> Timestamp(int k);

private:
    bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t count);

    FileHandle file_;
    SerLayout layout_;
    std::vector<std::uint8_t> bytes_;  // one frame as stored, reused
    std::string note_;
    std::optional<bool> littleEndian_;  // decided from the first frame read
};

}  // namespace quivane
