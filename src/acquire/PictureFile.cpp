#include "acquire/PictureFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fitsio.h>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "files/FileBytes.h"
#include "files/ReadableFile.h"
#include "image/DeepConversion.h"

namespace quivane {
namespace {

using namespace std::string_view_literals;

ReadFailure Failure(const std::string& path, const std::string& problem)
{
    return ReadFailure{"Cannot read the picture \"" + path + "\": " + problem};
}

std::string TooLarge(long long width, long long height)
{
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than " +
           std::to_string(MaxFrameSide) + " x " + std::to_string(MaxFrameSide);
}

enum class Format { Unknown, Bmp, Png, Jpeg, Tiff, Fits };

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::string_view signature, std::size_t at = 0)
{
    return bytes.size() >= at + signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char s, std::uint8_t b) { return static_cast<std::uint8_t>(s) == b; });
}

Format FormatOf(const std::vector<std::uint8_t>& start)
{
    if (StartsWith(start, "BM"sv)) return Format::Bmp;
    if (StartsWith(start, "\x89PNG\r\n\x1a\n"sv)) return Format::Png;
    if (StartsWith(start, "\xff\xd8\xff"sv)) return Format::Jpeg;
    if (StartsWith(start, "II*\0"sv) || StartsWith(start, "MM\0*"sv)) return Format::Tiff;
    if (StartsWith(start, "SIMPLE  ="sv)) return Format::Fits;
    return Format::Unknown;
}

// ---- PNG, JPEG and TIFF: the toolkit's decoders ---------------------------

// Room for the largest accepted frame at 8 bytes a pixel (16-bit colour with
// alpha), in MiB.
constexpr int ToolkitAllocationLimitMiB = MaxFrameSide / 1024 * MaxFrameSide / 1024 * 8 + 16;

// Such a frame stored uncompressed, with room for its headers.
constexpr std::uintmax_t LargestToolkitFile =
    std::uintmax_t{MaxFrameSide} * MaxFrameSide * 8 + (std::uintmax_t{1} << 20);

// libjpeg decodes a cut file without failing, painting the missing part
// grey, so the end-of-image marker is looked for here. Segments are skipped
// by their length: a thumbnail in a metadata segment has an end marker of its
// own, which is not the picture's.
bool JpegReachesItsEnd(const std::vector<std::uint8_t>& bytes)
{
    std::size_t i = 2;  // past the start-of-image marker
    while (i + 1 < bytes.size()) {
        // Entropy-coded data, or stray bytes between segments that libjpeg skips too.
        if (bytes[i] != 0xFF) {
            ++i;
            continue;
        }
        const std::uint8_t marker = bytes[i + 1];
        if (marker == 0xD9) return true;
        if (marker == 0xFF) {  // a fill byte before a marker
            ++i;
            continue;
        }
        // A stuffed zero in the data, and the markers that have no length.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= bytes.size()) return false;
        i += 2 + (std::size_t{bytes[i + 2]} << 8 | bytes[i + 3]);
    }
    return false;
}

// The toolkit gives grey with alpha, or grey with a transparent value, as
// colour; the colour type in the header says the file is grey.
bool PngIsGrey(const std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t colourType = 25;  // after the signature, the chunk's length and name, width, height, depth
    if (bytes.size() <= colourType || !StartsWith(bytes, "IHDR"sv, 12)) return false;
    return bytes[colourType] == 0 || bytes[colourType] == 4;
}

bool IsDeep(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return true;
    default:
        return false;
    }
}

bool IsPaletted(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8;
}

bool HasGreyPalette(const QImage& image)
{
    const QList<QRgb> table = image.colorTable();
    return std::all_of(table.begin(), table.end(),
                       [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

// The first `channels` of every `stride` samples of each pixel, times `scale`.
template <typename Sample>
DeepFrame CopySamples(const QImage& image, int stride, int channels, int scale)
{
    DeepFrame frame(image.width(), image.height(), channels);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const Sample*>(image.constScanLine(y));
        std::uint16_t* out = frame.row(y);
        for (int x = 0; x < image.width(); ++x, in += stride)
            for (int c = 0; c < channels; ++c) *out++ = static_cast<std::uint16_t>(in[c] * scale);
    }
    return frame;
}

// The toolkit's conversions to a layout without alpha drop the alpha rather
// than blend it (premultiplied colours are divided back first): frames are
// opaque, and the colour under a transparent pixel is still what was seen.
std::optional<DeepFrame> FromImage(const QImage& image, bool greyFile)
{
    const QImage::Format format = image.format();
    const bool deep = IsDeep(format);
    const bool grey = greyFile || format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16 ||
                      (IsPaletted(format) && HasGreyPalette(image));
    const int channels = grey ? 1 : 3;
    std::optional<DeepFrame> frame;
    if (format == QImage::Format_Grayscale16) {
        frame = CopySamples<std::uint16_t>(image, 1, 1, 1);
    } else if (format == QImage::Format_Grayscale8) {
        frame = CopySamples<std::uint8_t>(image, 1, 1, 257);
    } else if (deep) {
        const QImage rgbx = image.convertToFormat(QImage::Format_RGBX64);
        if (rgbx.isNull()) return std::nullopt;
        frame = CopySamples<std::uint16_t>(rgbx, 4, channels, 1);
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull()) return std::nullopt;
        frame = CopySamples<std::uint8_t>(rgb, 3, channels, 257);
    }
    frame->bits = deep ? 16 : 8;
    return frame;
}

std::variant<DeepFrame, ReadFailure> ReadWithToolkit(const std::string& path, Format format)
{
    const auto read = ReadFileBytes(path, LargestToolkitFile);
    if (const auto* problem = std::get_if<FileProblem>(&read)) return Failure(path, problem->reason);
    const auto& bytes = std::get<std::vector<std::uint8_t>>(read);
    if (format == Format::Jpeg && !JpegReachesItsEnd(bytes)) {
        return Failure(path, "the file is cut short: the JPEG picture has no end marker");
    }
    const char* name = format == Format::Png ? "png" : format == Format::Jpeg ? "jpeg" : "tiff";

    // Decoded from the bytes already read, so the file cannot change between
    // the checks and the decoding.
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // The pixels as stored: frames of a series are never turned one by one.
    reader.setAutoTransform(false);
    if (!reader.canRead() || reader.format() != name) {
        if (!QImageReader::supportedImageFormats().contains(name)) {
            return Failure(path, std::string("no decoder for ") + name + " pictures is installed");
        }
        return Failure(path, "the file is damaged (" + reader.errorString().toStdString() + ")");
    }
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        return Failure(path, "the file is damaged: its header gives no picture size");
    }
    if (size.width() > MaxFrameSide || size.height() > MaxFrameSide) {
        return Failure(path, TooLarge(size.width(), size.height()));
    }
    QImageReader::setAllocationLimit(ToolkitAllocationLimitMiB);
    // A failed read may still have filled the image in part; it is never used.
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return Failure(path, "the file is damaged (" + reader.errorString().toStdString() + ")");
    }
    if (image.size() != size) return Failure(path, "the file is damaged: the picture is not the size its header gives");
    auto frame = FromImage(image, format == Format::Png && PngIsGrey(bytes));
    if (!frame) return Failure(path, "there is not enough memory to convert the picture");
    return std::move(*frame);
}

// ---- FITS: cfitsio ------------------------------------------------------------

struct FitsCloser {
    void operator()(fitsfile* file) const
    {
        int status = 0;
        fits_close_file(file, &status);
    }
};
using FitsFile = std::unique_ptr<fitsfile, FitsCloser>;

std::string FitsError(int status)
{
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    // The library stacks up its own messages, which nobody here reads.
    fits_clear_errmsg();
    return text;
}

// A text keyword, upper case and without the blanks around it.
std::string TextKeyword(fitsfile* file, const char* name)
{
    char value[FLEN_VALUE] = {};
    int status = 0;
    if (fits_read_key(file, TSTRING, name, value, nullptr, &status) != 0) {
        fits_clear_errmsg();
        return "";
    }
    std::string text(value);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

double NumberKeyword(fitsfile* file, const char* name, double absent)
{
    double value = absent;
    int status = 0;
    if (fits_read_key(file, TDOUBLE, name, &value, nullptr, &status) != 0) {
        fits_clear_errmsg();
        return absent;
    }
    return value;
}

Mosaic MosaicNamed(const std::string& name)
{
    if (name == "RGGB") return Mosaic::RGGB;
    if (name == "GRBG") return Mosaic::GRBG;
    if (name == "GBRG") return Mosaic::GBRG;
    if (name == "BGGR") return Mosaic::BGGR;
    return Mosaic::None;
}

// The pattern with its two rows exchanged.
Mosaic RowsSwapped(Mosaic mosaic)
{
    switch (mosaic) {
    case Mosaic::RGGB:
        return Mosaic::GBRG;
    case Mosaic::GBRG:
        return Mosaic::RGGB;
    case Mosaic::GRBG:
        return Mosaic::BGGR;
    case Mosaic::BGGR:
        return Mosaic::GRBG;
    case Mosaic::None:
        break;
    }
    return Mosaic::None;
}

// A value on the 0..65535 scale, rounded. NaN, a blank pixel in
// floating-point data, reads black.
std::uint16_t ToSample(double value)
{
    if (!(value > 0)) return 0;
    if (value >= 65535) return 65535;
    return static_cast<std::uint16_t>(value + 0.5);
}

// A physical value (after BZERO and BSCALE) becomes (value - offset) * gain.
struct Mapping {
    double offset = 0;
    double gain = 1;
};

Mapping Stretch(double low, double high)
{
    if (!(high > low)) return {low, 0};
    return {low, 65535 / (high - low)};
}

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Add(double value)
    {
        if (!std::isfinite(value)) return;
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

// Calls use(plane, storedRow, values) for every stored row, its values after
// BZERO and BSCALE; returns the library's status.
template <typename Use>
int ForEachRow(fitsfile* file, int width, int height, int planes, Use use)
{
    std::vector<double> values(static_cast<std::size_t>(width));
    int status = 0;
    for (int p = 0; p < planes; ++p)
        for (int r = 0; r < height; ++r) {
            long first[3] = {1, r + 1, p + 1};
            int anyBlank = 0;
            if (fits_read_pix(file, TDOUBLE, first, width, nullptr, values.data(), &anyBlank, &status) != 0) {
                return status;
            }
            use(p, r, values.data());
        }
    return status;
}

std::variant<DeepFrame, ReadFailure> ReadFits(const std::string& path, std::uintmax_t fileSize)
{
    fitsfile* opened = nullptr;
    int status = 0;
    // Unlike fits_open_file, takes the name as it is: no brackets or
    // filters parsed out of it.
    if (fits_open_diskfile(&opened, path.c_str(), READONLY, &status) != 0) {
        return Failure(path, "the FITS header cannot be read (" + FitsError(status) + ")");
    }
    const FitsFile file(opened);
    int bitpix = 0, axesCount = 0;
    LONGLONG axes[3] = {0, 0, 0};
    LONGLONG headerStart = 0, dataStart = 0, dataEnd = 0;
    if (fits_get_img_paramll(file.get(), 3, &bitpix, &axesCount, axes, &status) != 0 ||
        fits_get_hduaddrll(file.get(), &headerStart, &dataStart, &dataEnd, &status) != 0) {
        return Failure(path, "the FITS header cannot be read (" + FitsError(status) + ")");
    }
    if (axesCount == 0) return Failure(path, "its primary header holds no picture");
    if (axesCount != 2 && axesCount != 3) {
        return Failure(path,
                       "its data has " + std::to_string(axesCount) + " axes, not 2 (a picture) or 3 (colour planes)");
    }
    const int planes = axesCount == 3 ? 3 : 1;
    if (axesCount == 3 && axes[2] != 3) {
        return Failure(path, "its data has " + std::to_string(axes[2]) + " planes, not the 3 of red, green and blue");
    }
    if (axes[0] <= 0 || axes[1] <= 0) return Failure(path, "the picture is empty");
    if (axes[0] > MaxFrameSide || axes[1] > MaxFrameSide) return Failure(path, TooLarge(axes[0], axes[1]));
    if (bitpix != 8 && bitpix != 16 && bitpix != 32 && bitpix != -32 && bitpix != -64) {
        return Failure(
            path, "its samples are of BITPIX " + std::to_string(bitpix) + "; only 8, 16, 32, -32 and -64 can be read");
    }
    const int width = static_cast<int>(axes[0]), height = static_cast<int>(axes[1]);
    // Checked before anything is allocated: a small file may declare a huge picture.
    const std::uintmax_t needed = static_cast<std::uintmax_t>(dataStart) +
                                  static_cast<std::uintmax_t>(width) * static_cast<std::uintmax_t>(height) *
                                      static_cast<std::uintmax_t>(planes) *
                                      static_cast<std::uintmax_t>(std::abs(bitpix) / 8);
    if (needed > fileSize) {
        return Failure(path, "the file is cut short: it has " + std::to_string(fileSize) + " bytes, fewer than the " +
                                 std::to_string(needed) + " its header declares");
    }
    // cfitsio applies these when it reads; values it cannot use are refused here.
    const double zero = NumberKeyword(file.get(), "BZERO", 0), scale = NumberKeyword(file.get(), "BSCALE", 1);
    if (!std::isfinite(zero) || !std::isfinite(scale) || scale == 0) {
        return Failure(path, "its BZERO and BSCALE do not scale the samples");
    }

    // FITS stores the bottom row first unless the file says otherwise.
    const bool topDown = TextKeyword(file.get(), "ROWORDER") == "TOP-DOWN";
    DeepFrame frame(width, height, planes);
    frame.bits = bitpix == 8 ? 8 : 16;
    if (planes == 1) {
        // The pattern is read as it lies in the stored data, from its first
        // pixel. Turned upright, a picture of an even number of rows starts
        // with the pattern's second row.
        frame.mosaic = MosaicNamed(TextKeyword(file.get(), "BAYERPAT"));
        if (!topDown && height % 2 == 0) frame.mosaic = RowsSwapped(frame.mosaic);
    }

    Mapping mapping;
    if (bitpix == 8 || bitpix == 16) {
        // Integers are camera values after BZERO and BSCALE: 8-bit data on
        // the 0..255 scale (times 257), 16-bit data on the 0..65535 scale,
        // so unsigned 16-bit data (BZERO 32768) is kept as it is. Values
        // below 0 or above full scale are clipped.
        mapping = {0, bitpix == 8 ? 257.0 : 1.0};
    } else {
        Range range;
        status = ForEachRow(file.get(), width, height, planes, [&](int, int, const double* values) {
            for (int x = 0; x < width; ++x) range.Add(values[x]);
        });
        if (status != 0) return Failure(path, "its data cannot be read (" + FitsError(status) + ")");
        if (bitpix == 32 && range.low >= 0 && range.high <= 65535) {
            // 32-bit integers holding 16-bit data are taken as they are.
            mapping = {0, 1};
        } else if (bitpix < 0 && range.low >= 0 && range.high <= 1) {
            // Floating-point data within 0..1 is read as a fraction of full scale.
            mapping = {0, 65535};
        } else {
            // Anything else has no full scale to go by: its smallest value
            // becomes 0 and its largest 65535, so each such frame is
            // stretched on its own.
            mapping = Stretch(range.low, range.high);
        }
    }
    status = ForEachRow(file.get(), width, height, planes, [&](int plane, int storedRow, const double* values) {
        std::uint16_t* out = frame.row(topDown ? storedRow : height - 1 - storedRow) + plane;
        for (int x = 0; x < width; ++x, out += planes) *out = ToSample((values[x] - mapping.offset) * mapping.gain);
    });
    if (status != 0) return Failure(path, "its data cannot be read (" + FitsError(status) + ")");
    return frame;
}

}  // namespace

namespace {

SeriesPicture Widened(std::variant<DeepFrame, ReadFailure>&& read)
{
    if (auto* failure = std::get_if<ReadFailure>(&read)) return std::move(*failure);
    return std::move(std::get<DeepFrame>(read));
}

}  // namespace

SeriesPicture SeriesPictureReader::read(const std::string& path)
{
    // One open serves the signature and, for a bitmap, the whole read.
    const auto opened = ReadableFile::Open(path.c_str());
    if (const auto* problem = std::get_if<FileProblem>(&opened)) return Failure(path, problem->reason);
    const ReadableFile& file = std::get<ReadableFile>(opened);
    const std::uintmax_t size = file.size();
    if (size == 0) return Failure(path, "the file is empty");
    // The first read takes a bitmap's headers along with the signature.
    if (const auto problem = ReadBmpStart(file, bmp_)) return Failure(path, problem->reason);

    const Format format = FormatOf(bmp_.bytes);
    switch (format) {
    case Format::Bmp: {
        auto rows = ReadBmpRowsAfterStart(file, path, bmp_);
        if (auto* failure = std::get_if<ReadFailure>(&rows)) return std::move(*failure);
        if (const auto* grey = std::get_if<GreyRows>(&rows)) return *grey;
        return std::get<ColourRows>(rows);
    }
    case Format::Png:
    case Format::Jpeg:
    case Format::Tiff:
        return Widened(ReadWithToolkit(path, format));
    case Format::Fits:
        return Widened(ReadFits(path, size));
    case Format::Unknown:
        break;
    }
    return Failure(path, "it is not a BMP, PNG, TIFF, JPEG or FITS picture");
}

std::variant<Bitmap24, DeepFrame, ReadFailure> ReadSeriesPicture(const std::string& path)
{
    SeriesPictureReader reader;
    auto read = reader.read(path);
    if (const auto* rows = std::get_if<ColourRows>(&read)) return rows->copy();
    if (const auto* grey = std::get_if<GreyRows>(&read)) return GreyAsColour(*grey);
    if (auto* failure = std::get_if<ReadFailure>(&read)) return std::move(*failure);
    return std::move(std::get<DeepFrame>(read));
}

std::variant<DeepFrame, ReadFailure> ReadPictureFile(const std::string& path)
{
    auto read = ReadSeriesPicture(path);
    if (auto* bitmap = std::get_if<Bitmap24>(&read)) return ToDeepFrame(*bitmap);
    if (auto* failure = std::get_if<ReadFailure>(&read)) return std::move(*failure);
    return std::move(std::get<DeepFrame>(read));
}

}  // namespace quivane
