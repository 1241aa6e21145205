// make_samples OUTPUT_DIR: writes the sample frames, kernels and lookup tables
// bundled with the program.

#include <iostream>

#include "SampleMaterial.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_samples OUTPUT_DIR\n";
        return 2;
    }
    if (const auto error = quivane::samples::WriteSampleMaterial(argv[1])) {
        std::cerr << *error << '\n';
        return 1;
    }
    return 0;
}
