#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "combine/MedianRow.h"
#include "image/FinePicture.h"
#include "image/Picture.h"
#include "image/SettingRange.h"

namespace quivane {

// The ways input pictures combine into the result, in the order the window
// offers them.
enum class CombineMethod { Mean, Median, MinMax, Multiply };

// What a thread combining rows keeps from one row to the next; a cache line
// apart from the next thread's, so that two threads never write one line.
struct alignas(64) CombineRowWork {
    std::vector<int> sums;
    MedianRowWork median;
};

// Everything about one combine method, declared once.
struct CombineMethodDeclaration {
    CombineMethod method;
    std::string_view name;  // the command line's name
    // The parameter the method starts with whenever it is chosen, and
    // whether it uses one at all.
    int startParameter;
    bool usesParameter;
    // The saved notes' text, given the parameter.
    std::string (*describe)(int parameter);
    // The input pictures (1..count) it takes, for the saved notes.
    int (*framesUsed)(const PictureSeries& pictures, int count);
    // Result row y, and the same row with its fractions (the bytes those of
    // `row`).
    void (*row)(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out, int width,
                CombineRowWork& work);
    void (*fineRow)(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out,
                    FinePixel* fineOut, int width, CombineRowWork& work);
};

std::span<const CombineMethodDeclaration> CombineMethodList();

const CombineMethodDeclaration& DeclarationOf(CombineMethod method);

// The method at a position of the list (the window's radio item), or none.
std::optional<CombineMethod> CombineMethodAt(int index);

// The parameter's values, the same for every method; each method starts
// from its own start parameter when chosen.
constexpr SettingRange CombineParameterRange{0, 252, 4, 0};

}  // namespace quivane
