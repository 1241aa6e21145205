#include "AviWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "files/FileHandle.h"

namespace quivane::samples {
namespace {

// Little-endian RIFF building blocks.
class Riff {
public:
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u16(std::uint16_t v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void fourcc(const char* code) { bytes.insert(bytes.end(), code, code + 4); }
    // Starts a chunk (or a LIST/RIFF with its form type) and returns where its size goes.
    std::size_t open(const char* code, const char* form = nullptr)
    {
        fourcc(code);
        const std::size_t at = bytes.size();
        u32(0);
        if (form) fourcc(form);
        return at;
    }
    void close(std::size_t at)
    {
        const auto size = static_cast<std::uint32_t>(bytes.size() - at - 4);
        for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        if (bytes.size() % 2) bytes.push_back(0);
    }

    std::vector<std::uint8_t> bytes;
};

void Headers(Riff& r, int width, int height, std::uint32_t frameCount, std::uint32_t frameBytes, int fps)
{
    const std::size_t hdrl = r.open("LIST", "hdrl");
    const std::size_t avih = r.open("avih");
    r.u32(1000000u / static_cast<std::uint32_t>(fps));  // microseconds per frame
    r.u32(frameBytes * static_cast<std::uint32_t>(fps));
    r.u32(0);
    r.u32(0x10);  // has an index
    r.u32(frameCount);
    r.u32(0);
    r.u32(1);  // one stream
    r.u32(frameBytes);
    r.u32(static_cast<std::uint32_t>(width));
    r.u32(static_cast<std::uint32_t>(height));
    for (int i = 0; i < 4; ++i) r.u32(0);
    r.close(avih);

    const std::size_t strl = r.open("LIST", "strl");
    const std::size_t strh = r.open("strh");
    r.fourcc("vids");
    r.fourcc("DIB ");
    r.u32(0);
    r.u16(0);
    r.u16(0);
    r.u32(0);
    r.u32(1);
    r.u32(static_cast<std::uint32_t>(fps));
    r.u32(0);
    r.u32(frameCount);
    r.u32(frameBytes);
    r.u32(0xFFFFFFFFu);
    r.u32(0);
    r.u16(0);
    r.u16(0);
    r.u16(static_cast<std::uint16_t>(width));
    r.u16(static_cast<std::uint16_t>(height));
    r.close(strh);
    const std::size_t strf = r.open("strf");
    r.u32(40);
    r.u32(static_cast<std::uint32_t>(width));
    r.u32(static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    r.u16(1);
    r.u16(24);
    r.u32(0);
    r.u32(frameBytes);
    for (int i = 0; i < 4; ++i) r.u32(0);
    r.close(strf);
    r.close(strl);
    r.close(hdrl);
}

}  // namespace

std::optional<std::string> WriteUncompressedAvi(const std::string& path, const std::vector<Bitmap24>& frames,
                                                int framesPerSecond)
{
    if (frames.empty()) return "No frames to write to \"" + path + "\"";
    const int width = frames.front().width(), height = frames.front().height();
    const std::uint32_t stride = static_cast<std::uint32_t>((3 * width + 3) / 4 * 4);
    const std::uint32_t frameBytes = stride * static_cast<std::uint32_t>(height);
    const auto count = static_cast<std::uint32_t>(frames.size());

    Riff r;
    const std::size_t riff = r.open("RIFF", "AVI ");
    Headers(r, width, height, count, frameBytes, framesPerSecond);
    const std::size_t movi = r.open("LIST", "movi");
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint8_t> row(stride, 0);
    for (const Bitmap24& frame : frames) {
        offsets.push_back(static_cast<std::uint32_t>(r.bytes.size() - (movi + 4)));
        const std::size_t chunk = r.open("00db");
        for (int y = height - 1; y >= 0; --y) {
            std::memcpy(row.data(), frame.row(y), static_cast<std::size_t>(width) * 3);
            r.bytes.insert(r.bytes.end(), row.begin(), row.end());
        }
        r.close(chunk);
    }
    r.close(movi);
    const std::size_t idx1 = r.open("idx1");
    for (std::uint32_t offset : offsets) {
        r.fourcc("00db");
        r.u32(0x10);  // key frame
        r.u32(offset);
        r.u32(frameBytes);
    }
    r.close(idx1);
    r.close(riff);

    FileHandle file = OpenFile(path, "wb");
    if (!file || std::fwrite(r.bytes.data(), 1, r.bytes.size(), file.get()) != r.bytes.size() ||
        std::fclose(file.release()) != 0)
        return "Cannot write \"" + path + "\"";
    return std::nullopt;
}

}  // namespace quivane::samples
