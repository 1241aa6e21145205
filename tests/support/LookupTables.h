#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempFolder.h"

namespace quivane::testing {

// A scratch folder for lookup-table files whose byte i is (7 * i) mod 256.
class LookupTableFolder : public ::testing::Test {
protected:
    TempFolder temp{"lut"};
    std::filesystem::path folder = temp.path();

    std::string WriteTable(const std::string& name, int length)
    {
        std::ofstream out(folder / name, std::ios::binary);
        for (int i = 0; i < length; ++i) out.put(static_cast<char>((i * 7) & 255));
        return (folder / name).string();
    }
};

}  // namespace quivane::testing
