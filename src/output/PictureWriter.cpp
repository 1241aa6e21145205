#include "output/PictureWriter.h"

#include <cstdint>
#include <variant>
#include <vector>

#include "output/BmpWriter.h"
#include "output/FileReplacement.h"
#include "output/FitsEncoder.h"
#include "output/PngEncoder.h"
#include "output/TiffEncoder.h"

namespace quivane {

std::optional<std::string> WritePicture(const LevelPicture& picture, SaveChoice choice, const PictureNotes& notes,
                                        const std::string& path)
{
    const SampleDepth depth = DepthFor(choice.format, choice.depth);
    std::variant<std::vector<std::uint8_t>, std::string> encoded;
    switch (choice.format) {
    case PictureFormat::Bmp: encoded = EncodeBmp(BitmapOf(picture)); break;
    case PictureFormat::Png: encoded = EncodePng(picture, depth, notes); break;
    case PictureFormat::Tiff: encoded = EncodeTiff(picture, depth, notes); break;
    case PictureFormat::Fits: encoded = EncodeFits(picture, depth, notes); break;
    }
    if (const auto* problem = std::get_if<std::string>(&encoded)) return "Cannot write \"" + path + "\": " + *problem;
    return ReplaceFile(path, std::get<std::vector<std::uint8_t>>(encoded));
}

}  // namespace quivane
