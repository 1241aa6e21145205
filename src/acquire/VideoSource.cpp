#include "acquire/VideoSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <variant>

#include "acquire/BmpReader.h"
#include "files/FileBytes.h"

namespace quivane {
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct CodecFreer {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScalerFreer {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool SideInRange(int side) { return side >= 1 && side <= MaxFrameSide; }

constexpr std::int64_t MaxFramePixels = std::int64_t{MaxFrameSide} * MaxFrameSide;

// Frame numbers beyond this are never asked for; capping them keeps a
// hostile timestamp from overflowing the numbers that follow it.
constexpr std::int64_t MaxFrameNumber = INT_MAX;

// Numbers the packets of the first stream. AVI stamps every chunk with its
// place in the recording, counting the empty chunks a capture writes for
// dropped frames (the demuxer passes over those), so its packets are
// numbered by their stamps, from the first packet's on: a decoder that holds
// frames back makes the first frame's stamp later than the first packet's,
// and a file may start its stamps anywhere. Other containers keep no place
// for a dropped frame: their packets are numbered as they come.
class PacketClock {
public:
    explicit PacketClock(const AVFormatContext& format) : stamped_(std::strcmp(format.iformat->name, "avi") == 0) {}

    bool Stamped() const { return stamped_; }

    // The number of the next packet read.
    std::int64_t Next(const AVPacket& packet)
    {
        std::int64_t number = last_ + 1;
        // AVI stamps chunks in the order they are stored, which is the
        // decoding order.
        const std::int64_t stamp = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
        if (stamped_ && stamp != AV_NOPTS_VALUE) {
            if (first_ == AV_NOPTS_VALUE) first_ = stamp;
            number = std::max(number, StampsBetween(first_, stamp));
        }
        last_ = std::min(number, MaxFrameNumber);
        return last_;
    }

    // How many stamps `later` is past `first`, 0 if it is not, at most
    // MaxFrameNumber.
    static std::int64_t StampsBetween(std::int64_t first, std::int64_t later)
    {
        if (later <= first) return 0;
        const std::uint64_t since = static_cast<std::uint64_t>(later) - static_cast<std::uint64_t>(first);
        return static_cast<std::int64_t>(std::min<std::uint64_t>(since, MaxFrameNumber));
    }

private:
    bool stamped_;
    std::int64_t first_ = AV_NOPTS_VALUE;
    std::int64_t last_ = -1;
};

// A packet of the first stream that can hold a frame: empty chunks stand for
// dropped frames, and a chunk cut short by the end of the file holds part of
// one, which is never shown.
bool IsWholeVideoPacket(const AVPacket& packet)
{
    return packet.stream_index == 0 && packet.size > 0 && !(packet.flags & AV_PKT_FLAG_CORRUPT);
}

// Whether the packet's frame belongs to the video: an edit list (MP4, MOV)
// may leave out frames that are only there for others to refer to. Those are
// decoded but neither shown nor counted.
bool IsShown(const AVPacket& packet) { return !(packet.flags & AV_PKT_FLAG_DISCARD); }

// Opens the container and checks its first stream: a video stream whose frame
// size the container states. The size is checked from the headers, so a file
// announcing an oversized or empty frame is refused before anything is
// decoded. The content decides the format, never the file name.
FormatPtr OpenContainer(const std::string& path, std::string& problem)
{
    // FFmpeg would wait for ever on a FIFO without a writer, and read a
    // device without end.
    const auto checked = CheckReadableFile(path);
    if (const auto* refused = std::get_if<FileProblem>(&checked)) {
        problem = "it cannot be opened: " + refused->reason;
        return {};
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* opened = nullptr;
    // The prefix keeps a colon in the name from being read as a protocol.
    const int result = avformat_open_input(&opened, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0) {
        problem = "it cannot be opened as a video (" + ErrorText(result) + ")";
        return {};
    }
    FormatPtr format(opened);

    if (format->nb_streams == 0 || format->streams[0]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
        problem = format->nb_streams == 0 ? "it holds no stream" : "its first stream is not a video stream";
        return {};
    }
    const AVCodecParameters& video = *format->streams[0]->codecpar;
    if (!SideInRange(video.width) || !SideInRange(video.height)) {
        problem = "its frame size " + std::to_string(video.width) + " x " + std::to_string(video.height) +
                  " is outside 1 .. " + std::to_string(MaxFrameSide);
        return {};
    }
    // The demuxer then passes over the other streams' data without reading it.
    for (unsigned i = 1; i < format->nb_streams; ++i) format->streams[i]->discard = AVDISCARD_ALL;
    return format;
}

// The frame count an AVI index gives, or -1 without a usable one. Entries
// point at chunk headers of 8 bytes. An index with an entry whose data would
// run past the end of the file is not trusted at all: the file was not cut
// short, as the index at its end is there, and the frames the index misplaces
// may well be in the data.
std::int64_t CountFromIndex(AVFormatContext& format, const PacketClock& clock)
{
    AVStream* stream = format.streams[0];
    const int entries = avformat_index_get_entries_count(stream);
    if (entries <= 0 || !clock.Stamped()) return -1;
    const std::int64_t fileSize = avio_size(format.pb);
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry == nullptr || entry->pos < 0) return -1;
        if (fileSize >= 0 && (entry->pos > fileSize || fileSize - entry->pos < 8 + std::int64_t{entry->size})) {
            return -1;
        }
    }
    const AVIndexEntry* first = avformat_index_get_entry(stream, 0);
    const AVIndexEntry* last = avformat_index_get_entry(stream, entries - 1);
    return PacketClock::StampsBetween(first->timestamp, last->timestamp) + 1;
}

// The frames found by reading every packet of the stream: for files whose
// index is missing or unusable, where the header's frame count cannot be
// trusted (a capture that stopped early still announces what it meant to
// record). Only packets are read, nothing is decoded.
struct ReadCount {
    std::int64_t frames = -1;  // in the video; -1 without memory to read
    std::int64_t stored = 0;   // the frames stored, those an edit list leaves out included
};

ReadCount CountByReading(AVFormatContext& format)
{
    ReadCount count;
    PacketPtr packet(av_packet_alloc());
    if (!packet) return count;
    PacketClock clock(format);
    std::int64_t last = -1;
    while (av_read_frame(&format, packet.get()) >= 0) {
        if (IsWholeVideoPacket(*packet)) {
            ++count.stored;
            if (IsShown(*packet)) last = clock.Next(*packet);
        }
        av_packet_unref(packet.get());
    }
    count.frames = last + 1;
    return count;
}

// What the scaler may write beyond the end of its output's last row: more
// than the padding FFmpeg's own frame buffers leave after it (each row
// rounded up to the widest vector, then a few dozen bytes more).
constexpr int ScalerOverrunBytes = 256;

// Once the input has ended, a decoder reports each frame it still holds and
// then the end; this many failures without the end stop a decoder that never
// reports it.
constexpr int DrainErrorLimit = 64;

// More packets than any decoder holds back to put its frames in display
// order (H.264 holds at most 16): beyond this, the oldest packet the decoder
// took without giving a frame is counted as lost, so a stream that never
// decodes cannot grow the list without end.
constexpr std::size_t MaxPendingPackets = 64;

// Whether frames of this format are read as deep frames: raw colour mosaics,
// and formats of more than 8 bits a sample. The bayer formats state the
// share of each colour in their depths, not the bits of a sample.
bool ReadsDeep(const AVPixFmtDescriptor* descriptor)
{
    if (descriptor == nullptr) return false;
    if (descriptor->flags & AV_PIX_FMT_FLAG_BAYER) return true;
    return !(descriptor->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) && descriptor->comp[0].depth > 8;
}

// Grey formats whose samples are read as they are, without the scaler:
// integers of at most 16 bits, optionally with alpha, which is passed over.
bool IsPlainGrey(const AVPixFmtDescriptor& descriptor)
{
    constexpr auto notGrey = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_FLOAT |
                             AV_PIX_FMT_FLAG_BAYER | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM;
    return !(descriptor.flags & notGrey) && descriptor.nb_components <= 2 && descriptor.comp[0].depth <= 16;
}

Mosaic MosaicOf(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_BAYER_RGGB8:
    case AV_PIX_FMT_BAYER_RGGB16LE:
    case AV_PIX_FMT_BAYER_RGGB16BE:
        return Mosaic::RGGB;
    case AV_PIX_FMT_BAYER_GRBG8:
    case AV_PIX_FMT_BAYER_GRBG16LE:
    case AV_PIX_FMT_BAYER_GRBG16BE:
        return Mosaic::GRBG;
    case AV_PIX_FMT_BAYER_GBRG8:
    case AV_PIX_FMT_BAYER_GBRG16LE:
    case AV_PIX_FMT_BAYER_GBRG16BE:
        return Mosaic::GBRG;
    case AV_PIX_FMT_BAYER_BGGR8:
    case AV_PIX_FMT_BAYER_BGGR16LE:
    case AV_PIX_FMT_BAYER_BGGR16BE:
        return Mosaic::BGGR;
    default:
        return Mosaic::None;
    }
}

// Adds `number` to an ascending list; numbers come nearly in order, so the
// search starts from the back.
void InsertInOrder(std::deque<std::int64_t>& numbers, std::int64_t number)
{
    auto place = numbers.end();
    while (place != numbers.begin() && *(place - 1) > number) --place;
    numbers.insert(place, number);
}

// A set of numbers kept as ascending runs, so that a long stretch of damage
// costs one entry, not one per frame.
class NumberRuns {
public:
    void Add(std::int64_t number)
    {
        // The first run starting after the number; numbers come nearly in
        // order, so the search starts from the back.
        auto next = runs_.end();
        while (next != runs_.begin() && (next - 1)->first > number) --next;
        if (next != runs_.begin() && (next - 1)->second + 1 >= number) {
            const auto before = next - 1;
            before->second = std::max(before->second, number);
            if (next != runs_.end() && next->first <= before->second + 1) {
                before->second = std::max(before->second, next->second);
                runs_.erase(next);
            }
        } else if (next != runs_.end() && next->first == number + 1) {
            next->first = number;
        } else {
            runs_.insert(next, {number, number});
        }
    }

    bool Contains(std::int64_t number) const
    {
        const auto next = std::upper_bound(runs_.begin(), runs_.end(), number,
                                           [](std::int64_t n, const Run& run) { return n < run.first; });
        return next != runs_.begin() && (next - 1)->second >= number;
    }

    void DropBelow(std::int64_t number)
    {
        while (!runs_.empty() && runs_.front().second < number) runs_.pop_front();
        if (!runs_.empty() && runs_.front().first < number) runs_.front().first = number;
    }

private:
    using Run = std::pair<std::int64_t, std::int64_t>;  // first and last
    std::deque<Run> runs_;
};

}  // namespace

struct VideoSource::Decoder {
    FormatPtr format;
    CodecPtr codec;
    PacketPtr packet;
    FramePtr incoming;
    FramePtr held;  // the frame numbered `current`, once one was decoded
    ScalerPtr scaler;
    PacketClock clock;
    // The frame size the container states; no decoded frame may exceed it.
    int announcedWidth, announcedHeight;

    bool packetWaiting = false;  // `packet` holds input the decoder refused for now
    std::int64_t waitingNumber = -1;  // its number; -1 for a frame not shown
    int refusals = 0;
    bool draining = false;
    bool finished = false;
    std::int64_t current = -1;   // number of the last frame decoded
    std::int64_t previous = -1;  // number of the one decoded before it

    // The numbers of the packets the decoder took and has given no frame
    // for yet, ascending. Frames come in display order, so each takes the
    // smallest: the frames a decoder holds back to reorder them get their
    // places in the recording, and a packet that gave no frame leaves a gap.
    std::deque<std::int64_t> pending;
    // The numbers of packets that could not be decoded, from the frame last
    // asked for on.
    NumberRuns lost;

    // What the scaler was set up for.
    int scaledWidth = 0, scaledHeight = 0, scaledFormat = AV_PIX_FMT_NONE, scaledTarget = AV_PIX_FMT_NONE,
        scaledMatrix = 0;
    bool scaledFullRange = false;

    explicit Decoder(FormatPtr opened)
        : format(std::move(opened)),
          clock(*format),
          announcedWidth(format->streams[0]->codecpar->width),
          announcedHeight(format->streams[0]->codecpar->height)
    {
    }

    static std::unique_ptr<Decoder> Open(const std::string& path, std::string& problem);
    bool ReadVideoPacket();
    bool DecodeNext(std::int64_t wanted);
    bool IsLost(std::int64_t number) const { return lost.Contains(number); }
    bool HeldReadsDeep() const { return ReadsDeep(av_pix_fmt_desc_get(static_cast<AVPixelFormat>(held->format))); }
    bool HoldsPlainRows() const { return held->format == AV_PIX_FMT_BGR24; }
    bool Convert(std::string& problem, Bitmap24& bitmap);
    std::optional<HeldRows> Hold(std::string& problem);
    std::optional<DeepFrame> ConvertDeep(std::string& problem);

private:
    void Take(std::int64_t number);
    void LoseOldest();
    std::int64_t NumberOfNextFrame();
    bool UsableSize(const AVFrame& frame, std::string& problem) const;
    bool SetUpScaler(const AVFrame& frame, AVPixelFormat target, int flags, std::string& problem);
    bool Scale(const AVFrame& frame, std::string& problem, Bitmap24& bitmap);
    std::optional<DeepFrame> ScaleDeep(const AVFrame& frame, std::string& problem);
};

// The next whole packet of the first stream; false at the end of the data.
bool VideoSource::Decoder::ReadVideoPacket()
{
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (IsWholeVideoPacket(*packet)) return true;
        av_packet_unref(packet.get());
    }
    return false;
}

void VideoSource::Decoder::Take(std::int64_t number)
{
    InsertInOrder(pending, number);
    if (pending.size() > MaxPendingPackets) LoseOldest();
}

void VideoSource::Decoder::LoseOldest()
{
    if (pending.empty()) return;
    lost.Add(pending.front());
    pending.pop_front();
}

std::int64_t VideoSource::Decoder::NumberOfNextFrame()
{
    // A decoder giving more frames than it took packets numbers the extra
    // ones after the last.
    std::int64_t number = current + 1;
    if (!pending.empty()) {
        number = std::max(number, pending.front());
        pending.pop_front();
    }
    return number;
}

// Decodes the next frame into `held`; false once the stream is exhausted.
// Undecodable packets are passed over, so damage costs only the frames it
// touches; their numbers from `wanted` on are kept in `lost`.
bool VideoSource::Decoder::DecodeNext(std::int64_t wanted)
{
    int drainErrors = 0;
    while (!finished) {
        lost.DropBelow(wanted);
        const int received = avcodec_receive_frame(codec.get(), incoming.get());
        if (received == 0) {
            previous = current;
            current = NumberOfNextFrame();
            av_frame_unref(held.get());
            av_frame_move_ref(held.get(), incoming.get());
            refusals = 0;
            return true;
        }
        if (draining) {
            if (received == AVERROR_EOF || received == AVERROR(EAGAIN) || ++drainErrors > DrainErrorLimit) {
                finished = true;
                // What the decoder took and never gave back is lost.
                while (!pending.empty()) LoseOldest();
            } else {
                LoseOldest();
            }
            continue;
        }
        // The decoder wants input, or reported a frame it could not decode:
        // the oldest it held.
        if (received != AVERROR(EAGAIN)) LoseOldest();
        if (!packetWaiting) {
            if (!ReadVideoPacket()) {
                avcodec_send_packet(codec.get(), nullptr);
                draining = true;
                continue;
            }
            waitingNumber = IsShown(*packet) ? clock.Next(*packet) : -1;
        }
        const int sent = avcodec_send_packet(codec.get(), packet.get());
        // A decoder that refuses input twice in a row without giving a frame
        // would otherwise hold the loop forever.
        if (sent == AVERROR(EAGAIN) && ++refusals < 2) {
            packetWaiting = true;
            continue;
        }
        packetWaiting = false;
        refusals = 0;
        // A packet refused with an error gives no frame.
        if (waitingNumber >= 0) {
            if (sent == 0) {
                Take(waitingNumber);
            } else {
                lost.Add(waitingNumber);
            }
        }
        av_packet_unref(packet.get());
    }
    return false;
}

bool VideoSource::Decoder::UsableSize(const AVFrame& frame, std::string& problem) const
{
    if (!SideInRange(frame.width) || !SideInRange(frame.height) || frame.data[0] == nullptr) {
        problem = "it has a frame size of " + std::to_string(frame.width) + " x " + std::to_string(frame.height);
        return false;
    }
    // The header's size is what the memory was planned for; a damaged or
    // hostile frame header must not make a frame's bitmap outgrow it.
    if (frame.width > announcedWidth || frame.height > announcedHeight) {
        problem = "it is " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
                  ", larger than the " + std::to_string(announcedWidth) + " x " + std::to_string(announcedHeight) +
                  " the file announces";
        return false;
    }
    return true;
}

// Prepares the scaler to turn frames like this one into `target`, unless it
// already does.
bool VideoSource::Decoder::SetUpScaler(const AVFrame& frame, AVPixelFormat target, int flags, std::string& problem)
{
    auto source = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(source);
    if (descriptor == nullptr) {
        problem = "its pixel format is unknown";
        return false;
    }
    const bool rgb = (descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) != 0;
    const bool grey = !rgb && descriptor->nb_components <= 2;
    // Grey camera data uses the full range unless the stream says otherwise;
    // YUV is studio range unless it says full. The JPEG formats only name
    // the full range, which the scaler is told directly instead.
    bool fullRange = grey ? frame.color_range != AVCOL_RANGE_MPEG : frame.color_range == AVCOL_RANGE_JPEG;
    switch (source) {
    case AV_PIX_FMT_YUVJ420P:
        source = AV_PIX_FMT_YUV420P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ422P:
        source = AV_PIX_FMT_YUV422P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ444P:
        source = AV_PIX_FMT_YUV444P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ440P:
        source = AV_PIX_FMT_YUV440P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ411P:
        source = AV_PIX_FMT_YUV411P;
        fullRange = true;
        break;
    default:
        break;
    }
    // An unstated matrix is taken as BT.601, as capture codecs use.
    const int matrix = frame.colorspace == AVCOL_SPC_UNSPECIFIED || frame.colorspace == AVCOL_SPC_RGB ||
                               frame.colorspace == AVCOL_SPC_RESERVED
                           ? SWS_CS_DEFAULT
                           : static_cast<int>(frame.colorspace);

    if (frame.width == scaledWidth && frame.height == scaledHeight && source == scaledFormat &&
        target == scaledTarget && matrix == scaledMatrix && fullRange == scaledFullRange && scaler) {
        return true;
    }
    SwsContext* context = sws_getCachedContext(scaler.release(), frame.width, frame.height, source, frame.width,
                                               frame.height, target, flags, nullptr, nullptr, nullptr);
    scaler.reset(context);
    if (!scaler) {
        scaledFormat = AV_PIX_FMT_NONE;
        problem = std::string("its pixel format ") + descriptor->name + " cannot be converted";
        return false;
    }
    if (!rgb) {
        const int* coefficients = sws_getCoefficients(matrix);
        sws_setColorspaceDetails(scaler.get(), coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16, 1 << 16);
    }
    scaledWidth = frame.width;
    scaledHeight = frame.height;
    scaledFormat = source;
    scaledTarget = target;
    scaledMatrix = matrix;
    scaledFullRange = fullRange;
    return true;
}

// Converts frames of any other pixel format straight into a bitmap's rows,
// which are BGR bytes without padding: a converted copy in between would
// cost another frame's worth of memory.
bool VideoSource::Decoder::Scale(const AVFrame& frame, std::string& problem, Bitmap24& bitmap)
{
    if (!SetUpScaler(frame, AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_FULL_CHR_H_INT, problem)) return false;
    // The scaler's vectorised writers may run past the end of a row into
    // the padding that FFmpeg's own frame buffers always have. Within the
    // bitmap that lands on the next row, written afterwards; below the last
    // row, spare rows take it and are cut off once the conversion is done.
    static_assert(sizeof(ColourPixel) == 3, "bitmap rows are BGR24 rows");
    const int rowBytes = frame.width * 3;
    const int spareRows = (ScalerOverrunBytes + rowBytes - 1) / rowBytes;
    bitmap.reshape(frame.width, frame.height + spareRows);
    std::uint8_t* const rowsOut[4] = {reinterpret_cast<std::uint8_t*>(bitmap.row(0)), nullptr, nullptr, nullptr};
    const int strides[4] = {rowBytes, 0, 0, 0};
    const int rows = sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rowsOut, strides);
    if (rows != frame.height) {
        problem = "its pixels cannot be converted";
        return false;
    }
    bitmap.keepTopRows(frame.height);
    return true;
}

// The same into a deep frame's red, green and blue samples, which are RGB48
// rows in the machine's byte order.
std::optional<DeepFrame> VideoSource::Decoder::ScaleDeep(const AVFrame& frame, std::string& problem)
{
    // Accurate rounding keeps the low bits the deep samples are kept for.
    if (!SetUpScaler(frame, AV_PIX_FMT_RGB48, SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, problem)) {
        return std::nullopt;
    }
    const int rowBytes = frame.width * 6;
    const int spareRows = (ScalerOverrunBytes + rowBytes - 1) / rowBytes;
    DeepFrame deep(frame.width, frame.height + spareRows, 3);
    std::uint8_t* const rowsOut[4] = {reinterpret_cast<std::uint8_t*>(deep.samples.data()), nullptr, nullptr,
                                      nullptr};
    const int strides[4] = {rowBytes, 0, 0, 0};
    const int rows = sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rowsOut, strides);
    if (rows != frame.height) {
        problem = "its pixels cannot be converted";
        return std::nullopt;
    }
    deep.height = frame.height;
    deep.samples.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height) * 3);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    deep.bits = std::clamp(descriptor != nullptr ? descriptor->comp[0].depth : 16, 8, 16);
    return deep;
}

// The held frame as a 24-bit bitmap, written into `bitmap`'s storage (every
// pixel is written). Rows are copied one by one through the frame's own
// stride, which is wider than the row (or negative, for frames the decoder
// turned upright) whenever the width calls for padding.
bool VideoSource::Decoder::Convert(std::string& problem, Bitmap24& bitmap)
{
    const AVFrame& frame = *held;
    if (!UsableSize(frame, problem)) return false;
    if (frame.format != AV_PIX_FMT_BGR24 && frame.format != AV_PIX_FMT_GRAY8 && frame.format != AV_PIX_FMT_PAL8) {
        return Scale(frame, problem, bitmap);
    }
    const auto rowOf = [](const AVFrame& f, int plane, int y) {
        return f.data[plane] + static_cast<std::ptrdiff_t>(y) * f.linesize[plane];
    };
    bitmap.reshape(frame.width, frame.height);
    switch (frame.format) {
    case AV_PIX_FMT_BGR24:
        for (int y = 0; y < frame.height; ++y) {
            std::memcpy(bitmap.row(y), rowOf(frame, 0, y), static_cast<std::size_t>(frame.width) * 3);
        }
        break;
    case AV_PIX_FMT_GRAY8:
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* in = rowOf(frame, 0, y);
            ColourPixel* out = bitmap.row(y);
            for (int x = 0; x < frame.width; ++x) out[x] = ColourPixel{in[x], in[x], in[x]};
        }
        break;
    case AV_PIX_FMT_PAL8: {
        if (frame.data[1] == nullptr) {
            problem = "its colour table is missing";
            return false;
        }
        // Entries are 0xAARRGGBB in the machine's byte order.
        std::uint32_t palette[256];
        std::memcpy(palette, frame.data[1], sizeof palette);
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* in = rowOf(frame, 0, y);
            ColourPixel* out = bitmap.row(y);
            for (int x = 0; x < frame.width; ++x) {
                const std::uint32_t colour = palette[in[x]];
                out[x] = ColourPixel{static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                                     static_cast<std::uint8_t>(colour >> 16)};
            }
        }
        break;
    }
    }
    return true;
}

// The held frame's rows where they lie, for a frame HoldsPlainRows(): a new
// reference to the frame keeps them, whatever the decoder does next. The
// rows are those Convert would copy, through the frame's own stride.
std::optional<HeldRows> VideoSource::Decoder::Hold(std::string& problem)
{
    if (!UsableSize(*held, problem)) return std::nullopt;
    AVFrame* kept = av_frame_clone(held.get());
    if (kept == nullptr) {
        problem = "there is no memory left to keep it";
        return std::nullopt;
    }
    const ColourRows rows(reinterpret_cast<const ColourPixel*>(kept->data[0]), kept->linesize[0], kept->width,
                          kept->height);
    return HeldRows{rows, std::shared_ptr<AVFrame>(kept, [](AVFrame* frame) { av_frame_free(&frame); })};
}

// The held frame, of a format ReadsDeep() accepts, as a deep frame. Grey and
// mosaic samples are read as they are, each scaled to 16 bits from the
// format's depth; mosaics are left for the loader to debayer with the
// pattern it chooses.
std::optional<DeepFrame> VideoSource::Decoder::ConvertDeep(std::string& problem)
{
    const AVFrame& frame = *held;
    if (!UsableSize(frame, problem)) return std::nullopt;
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor& descriptor = *av_pix_fmt_desc_get(format);
    const auto rowOf = [&](int y) { return frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0]; };

    if (descriptor.flags & AV_PIX_FMT_FLAG_BAYER) {
        const bool wide = descriptor.comp[0].step == 2;
        const bool bigEndian = (descriptor.flags & AV_PIX_FMT_FLAG_BE) != 0;
        DeepFrame deep(frame.width, frame.height, 1);
        deep.bits = wide ? 16 : 8;
        deep.mosaic = MosaicOf(format);
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* in = rowOf(y);
            std::uint16_t* out = deep.row(y);
            for (int x = 0; x < frame.width; ++x) {
                if (!wide) {
                    out[x] = static_cast<std::uint16_t>(in[x] * 257);
                } else {
                    const std::uint8_t high = in[2 * x + (bigEndian ? 0 : 1)], low = in[2 * x + (bigEndian ? 1 : 0)];
                    out[x] = static_cast<std::uint16_t>(high << 8 | low);
                }
            }
        }
        return deep;
    }
    if (!IsPlainGrey(descriptor)) return ScaleDeep(frame, problem);

    const int depth = descriptor.comp[0].depth;
    const std::uint32_t top = (1u << depth) - 1;
    DeepFrame deep(frame.width, frame.height, 1);
    deep.bits = depth;
    const std::uint8_t* planes[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
    for (int y = 0; y < frame.height; ++y) {
        std::uint16_t* out = deep.row(y);
        // FFmpeg's reader knows every layout: byte order, padding bits, alpha.
        av_read_image_line2(out, planes, frame.linesize, &descriptor, 0, y, 0, frame.width, 0, sizeof *out);
        if (depth == 16) continue;
        for (int x = 0; x < frame.width; ++x) {
            out[x] = static_cast<std::uint16_t>((std::min<std::uint32_t>(out[x], top) * 65535u + top / 2) / top);
        }
    }
    return deep;
}

std::unique_ptr<VideoSource::Decoder> VideoSource::Decoder::Open(const std::string& path, std::string& problem)
{
    FormatPtr format = OpenContainer(path, problem);
    if (!format) return nullptr;
    const AVStream& stream = *format->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (codec == nullptr) {
        problem = std::string("there is no decoder for its ") + avcodec_get_name(stream.codecpar->codec_id) + " video";
        return nullptr;
    }
    auto decoder = std::make_unique<Decoder>(std::move(format));
    decoder->codec.reset(avcodec_alloc_context3(codec));
    decoder->packet.reset(av_packet_alloc());
    decoder->incoming.reset(av_frame_alloc());
    decoder->held.reset(av_frame_alloc());
    if (!decoder->codec || !decoder->packet || !decoder->incoming || !decoder->held) {
        problem = "there is not enough memory to decode it";
        return nullptr;
    }
    AVCodecContext& context = *decoder->codec;
    int result = avcodec_parameters_to_context(&context, stream.codecpar);
    if (result >= 0) {
        context.pkt_timebase = stream.time_base;
        // The decoder refuses any frame beyond the accepted size before it
        // allocates room for it, whatever a damaged frame header claims.
        context.max_pixels = MaxFramePixels;
        // Every frame thread would hold a frame of its own.
        context.thread_count = 1;
        result = avcodec_open2(&context, codec, nullptr);
    }
    if (result < 0) {
        problem = std::string("its ") + avcodec_get_name(stream.codecpar->codec_id) + " decoder cannot be started (" +
                  ErrorText(result) + ")";
        return nullptr;
    }
    return decoder;
}

VideoSource::VideoSource() = default;
VideoSource::~VideoSource() = default;
VideoSource::VideoSource(VideoSource&&) noexcept = default;
VideoSource& VideoSource::operator=(VideoSource&&) noexcept = default;

int VideoSource::VideoFrameCount(const std::string& path)
{
    std::string message;
    return VideoFrameCount(path, message);
}

int VideoSource::VideoFrameCount(const std::string& path, std::string& message)
{
    message.clear();
    std::string problem;
    FormatPtr format = OpenContainer(path, problem);
    if (!format) {
        message = "Cannot read the video \"" + path + "\": " + problem;
        return -1;
    }
    // The AVI index lists every chunk written, so it is preferred to the
    // header's count. Other containers index key frames only, and an AVI
    // without a usable index has nothing better than its header: those are
    // read through.
    std::int64_t frames = CountFromIndex(*format, PacketClock(*format));
    std::int64_t stored = frames;
    if (frames < 0) {
        const ReadCount read = CountByReading(*format);
        frames = read.frames;
        stored = read.stored;
    }
    if (frames < 0) {
        message = "Cannot read the video \"" + path + "\": there is not enough memory";
        return -1;
    }
    const std::int64_t announced = format->streams[0]->nb_frames;
    if (frames == 0) {
        message = "The video \"" + path + "\" holds no frames";
    } else if (announced > stored) {
        message = "The video \"" + path + "\" holds only " + std::to_string(frames) + " of the " +
                  std::to_string(announced) + " frames its header announces; it was probably cut short";
    }
    return static_cast<int>(std::min<std::int64_t>(frames, INT_MAX));
}

bool VideoSource::Open(const std::string& path)
{
    Close();
    std::string problem;
    decoder_ = Decoder::Open(path, problem);
    if (!decoder_) {
        lastError_ = "Cannot read the video \"" + path + "\": " + problem;
        return false;
    }
    path_ = path;
    lastError_.clear();
    lastMiss_ = Miss::None;
    return true;
}

bool VideoSource::IsOpen() const { return decoder_ != nullptr; }

void VideoSource::Close()
{
    decoder_.reset();
    path_.clear();
    position_ = 0;
}

void VideoSource::Seek(int k) { position_ = k; }

bool VideoSource::DecodeToPosition()
{
    lastProblem_.clear();
    if (!decoder_) {
        lastError_ = "No video is open";
        lastMiss_ = Miss::NotHeld;
        return false;
    }
    const std::int64_t k = position_;
    const auto missing = [&](Miss why) {
        lastMiss_ = why;
        const char* what = why == Miss::Undecodable ? "cannot be decoded"
                           : why == Miss::PastEnd   ? "lies past the end of its data"
                                                    : "is not in the file";
        lastError_ = "Frame " + std::to_string(k) + " of the video \"" + path_ + "\" " + what;
        return false;
    };
    if (k < 0) return missing(Miss::NotHeld);

    // Frame numbers only grow, so a frame between the last two decoded is one
    // the file does not hold; one further back needs the file read again.
    if (k <= decoder_->previous) {
        std::string problem;
        decoder_ = Decoder::Open(path_, problem);
        if (!decoder_) {
            lastError_ = "Cannot read the video \"" + path_ + "\" again: " + problem;
            lastMiss_ = Miss::Undecodable;
            return false;
        }
    }
    while (decoder_->current < k) {
        if (!decoder_->DecodeNext(k)) return missing(decoder_->IsLost(k) ? Miss::Undecodable : Miss::PastEnd);
    }
    if (decoder_->current != k) return missing(decoder_->IsLost(k) ? Miss::Undecodable : Miss::NotHeld);
    return true;
}

void VideoSource::NoteConversion(bool converted, const std::string& problem)
{
    lastMiss_ = converted ? Miss::None : Miss::Unshowable;
    lastProblem_ = converted ? std::string() : problem;
    lastError_ = converted ? std::string()
                           : "Frame " + std::to_string(position_) + " of the video \"" + path_ +
                                 "\" cannot be shown: " + problem;
}

std::optional<Bitmap24> VideoSource::ReadFrame()
{
    if (!DecodeToPosition()) return std::nullopt;
    std::string problem;
    Bitmap24 bitmap;
    const bool converted = decoder_->Convert(problem, bitmap);
    NoteConversion(converted, problem);
    return converted ? std::optional<Bitmap24>(std::move(bitmap)) : std::nullopt;
}

bool VideoSource::ReadVideoFrame(VideoFrame& frame) { return ReadVideoFrame(frame, false); }

bool VideoSource::ReadVideoFrameInPlace(VideoFrame& frame) { return ReadVideoFrame(frame, true); }

bool VideoSource::ReadVideoFrame(VideoFrame& frame, bool inPlace)
{
    if (!DecodeToPosition()) return false;
    std::string problem;
    bool converted = false;
    if (decoder_->HeldReadsDeep()) {
        if (auto deep = decoder_->ConvertDeep(problem)) {
            frame = std::move(*deep);
            converted = true;
        }
    } else if (inPlace && decoder_->HoldsPlainRows()) {
        if (auto rows = decoder_->Hold(problem)) {
            frame = std::move(*rows);
            converted = true;
        }
    } else {
        if (!std::holds_alternative<Bitmap24>(frame)) frame = Bitmap24();
        converted = decoder_->Convert(problem, std::get<Bitmap24>(frame));
    }
    NoteConversion(converted, problem);
    return converted;
}

std::optional<VideoFrame> VideoSource::ReadVideoFrame()
{
    VideoFrame frame;
    if (!ReadVideoFrame(frame)) return std::nullopt;
    return frame;
}

void VideoSource::SilenceDecoderMessages() { av_log_set_level(AV_LOG_QUIET); }

}  // namespace quivane
