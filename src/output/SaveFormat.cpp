#include "output/SaveFormat.h"

#include "files/FileNames.h"

namespace quivane {

PictureFormat FormatOfName(const std::string& path)
{
    const std::string extension = UpperCaseExtension(NameOf(path));
    if (extension == ".PNG") return PictureFormat::Png;
    if (extension == ".TIF" || extension == ".TIFF") return PictureFormat::Tiff;
    if (extension == ".FITS" || extension == ".FIT" || extension == ".FTS") return PictureFormat::Fits;
    return PictureFormat::Bmp;
}

bool HoldsDepth(PictureFormat format, SampleDepth depth)
{
    switch (format) {
    case PictureFormat::Bmp: return depth == SampleDepth::Eight;
    case PictureFormat::Png:
    case PictureFormat::Tiff: return depth != SampleDepth::Float;
    case PictureFormat::Fits: return true;
    }
    return false;
}

SampleDepth DepthFor(PictureFormat format, SampleDepth asked)
{
    if (HoldsDepth(format, asked)) return asked;
    if (asked == SampleDepth::Float && HoldsDepth(format, SampleDepth::Sixteen)) return SampleDepth::Sixteen;
    return SampleDepth::Eight;
}

const char* ExtensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Png: return "png";
    case PictureFormat::Tiff: return "tif";
    case PictureFormat::Fits: return "fits";
    }
    return "bmp";
}

const char* FormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Tiff: return "TIFF";
    case PictureFormat::Fits: return "FITS";
    }
    return "BMP";
}

std::string DescribeSave(SaveChoice choice, bool grey)
{
    if (choice.format == PictureFormat::Bmp) return "24-bit BMP";
    std::string depth;
    switch (choice.depth) {
    case SampleDepth::Eight: depth = "8 bits a channel"; break;
    case SampleDepth::Sixteen: depth = "16 bits a channel"; break;
    case SampleDepth::Float: depth = "32-bit float"; break;
    }
    return std::string(FormatName(choice.format)) + ", " + depth + ", " + (grey ? "grey" : "colour");
}

}  // namespace quivane
