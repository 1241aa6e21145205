#include "output/FitsEncoder.h"

#include <cstdlib>
#include <fitsio.h>
#include <memory>

#include "output/ProgramIdentity.h"
#include "output/SampleScaling.h"

namespace quivane {
namespace {

std::string FitsError(int status)
{
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    fits_clear_errmsg();
    return text;
}

bool IsWholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void WriteNote(fitsfile* file, const PictureNote& note, int& status)
{
    std::string comment = note.name.substr(0, 40);
    if (IsWholeNumber(note.value)) {
        long number = std::strtol(note.value.c_str(), nullptr, 10);
        fits_write_key(file, TLONG, note.keyword.c_str(), &number, comment.c_str(), &status);
    } else {
        // Values longer than a card continue on further cards.
        std::string value = note.value;
        fits_write_key_longstr(file, note.keyword.c_str(), value.data(), comment.c_str(), &status);
    }
}

// The samples of one stored row, converted to what the file holds.
template <typename Sample, typename Convert>
std::vector<Sample> Plane(const LevelPicture& picture, int channel, Convert convert)
{
    std::vector<Sample> samples;
    samples.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int row = picture.height - 1; row >= 0; --row)
        for (int x = 0; x < picture.width; ++x) samples.push_back(convert(picture.at(x, row, channel)));
    return samples;
}

void WritePlanes(fitsfile* file, const LevelPicture& picture, SampleDepth depth, int& status)
{
    for (int channel = 0; channel < picture.channels && status == 0; ++channel) {
        long first[3] = {1, 1, channel + 1};
        const auto count = static_cast<LONGLONG>(picture.width) * picture.height;
        switch (depth) {
        case SampleDepth::Eight: {
            auto samples = Plane<unsigned char>(picture, channel, ByteSample);
            fits_write_pix(file, TBYTE, first, count, samples.data(), &status);
            break;
        }
        case SampleDepth::Sixteen: {
            auto samples = Plane<unsigned short>(picture, channel, WordSample);
            fits_write_pix(file, TUSHORT, first, count, samples.data(), &status);
            break;
        }
        case SampleDepth::Float: {
            auto samples = Plane<float>(picture, channel, FloatSample);
            fits_write_pix(file, TFLOAT, first, count, samples.data(), &status);
            break;
        }
        }
    }
}

int ImageType(SampleDepth depth)
{
    switch (depth) {
    case SampleDepth::Eight: return BYTE_IMG;
    case SampleDepth::Sixteen: return USHORT_IMG;  // BITPIX 16 with BZERO 32768
    case SampleDepth::Float: return FLOAT_IMG;
    }
    return BYTE_IMG;
}

}  // namespace

std::variant<std::vector<std::uint8_t>, std::string> EncodeFits(const LevelPicture& picture, SampleDepth depth,
                                                               const PictureNotes& notes)
{
    void* memory = nullptr;
    std::size_t size = 0;
    int status = 0;
    fitsfile* file = nullptr;
    // The library grows the buffer a FITS block at a time.
    if (fits_create_memfile(&file, &memory, &size, 2880, std::realloc, &status) != 0) {
        std::free(memory);
        return "the FITS library cannot start a file (" + FitsError(status) + ")";
    }
    long axes[3] = {picture.width, picture.height, picture.channels};
    fits_create_img(file, ImageType(depth), picture.channels == 1 ? 2 : 3, axes, &status);
    std::string creator = ProgramIdentity();
    fits_write_key(file, TSTRING, "CREATOR", creator.data(), "program that wrote this file", &status);
    char order[] = "BOTTOM-UP";
    fits_write_key(file, TSTRING, "ROWORDER", order, "the first row stored is the bottom one", &status);
    for (const PictureNote& note : notes) WriteNote(file, note, status);
    WritePlanes(file, picture, depth, status);
    int closeStatus = 0;
    fits_close_file(file, &closeStatus);
    const std::unique_ptr<void, decltype(&std::free)> owned(memory, std::free);
    if (status == 0) status = closeStatus;
    if (status != 0) return "the FITS library cannot write the picture (" + FitsError(status) + ")";
    const auto* bytes = static_cast<const std::uint8_t*>(memory);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace quivane
