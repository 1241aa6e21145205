// make_samples OUTPUT_DIR: writes the sample frames, kernels and lookup tables
// bundled with the program, and the same frames as an uncompressed video.

#include <filesystem>
#include <iostream>

#include "AviWriter.h"
#include "SampleMaterial.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_samples OUTPUT_DIR\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    auto error = quivane::samples::WriteSampleMaterial(folder);
    if (!error) {
        std::error_code ignored;
        std::filesystem::create_directories(folder / "Videos", ignored);
        error = quivane::samples::WriteUncompressedAvi((folder / "Videos" / "PLANET.AVI").string(),
                                                       quivane::samples::MakeFrames(), 25);
    }
    if (error) {
        std::cerr << *error << '\n';
        return 1;
    }
    return 0;
}
