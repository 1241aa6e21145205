#include "batch/BatchOptions.h"

#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <span>
#include <string_view>

#include "align/AlignmentPoints.h"

namespace quivane {

namespace {

const char* const UsageStart = R"(usage: quivane-batch (--bmp FIRST LAST | --avi FILE) --output FILE [options]

Runs the window's actions headless: load, quality marks and offsets,
alignment, calculation run, CLAHE once, render with the display settings,
write the picture.

Input:        --bmp FIRST LAST  or  --avi FILE
              (--series FIRST LAST: a numbered series of BMP, PNG, TIFF, JPEG
              or FITS pictures, as --bmp; --avi opens any capture by its
              content: AVI, SER, MP4, MOV, MKV)
              --bayer auto|none|rggb|grbg|gbrg|bggr  (colour mosaic; auto:
              as the file says)  --memory MB (picture memory, 48 up to the
              machine's; frames beyond it are left out, with a warning)
Preparation:  --width W (64..768, step 64)  --resample E (1..6)  --full-picture
Correction:   --flat FILE  --dark FILE  --shift-fix
Pictures:     --quality N:Q (dont|bad|avg|good|0..3)
              --offset N:DX:DY (DX, DY in -16384..16384)
Selection:    --keep P% or --keep N: every frame is scored as it loads and
              the marks are set from the ranking: of the usable pictures
              (bad frames are left out) the best P percent (0..100) or the
              best N, the best quarter of them good, the others avg, the rest
              and the bad frames dont; --quality marks are set after it
              --print-quality  (one line a picture: N score mark reason;
              score larger is sharper, mark dont|bad|avg|good, reason - or
              clipped|repeated|dim|jump|black|streak)
Alignment:    --align auto|local  --reference N (0 and up; above the picture
              count means the last picture)  --view-origin X:Y (-1..16384;
              -1 centres that axis)
              (local: the automatic search, then alignment points over the
              object, each box aligned and stacked on its own and blended
              without seams; too few points keep the global offsets)
              --points SIZE (16..256, even: the points' box size; default
              16 x the resample factor)  --local-keep N%|N (the share or
              number of the sharpest pictures each point stacks; default
              100%)
)";

const char* const UsageEnd = R"(Display:      --mode 0..3  --saturation P (0..400)  --clahe C (0..16)
              --bias B  --gain G (2..254, even)  --lut FILE  --lut-negative
              --map0255
Output:       --output FILE (.png, .tif/.tiff or .fits/.fit/.fts write
              that format; any other name a 24-bit BMP)
              --depth 8|16|float  (bits a channel: PNG and TIFF 8 or 16,
              FITS 8, 16 or 32-bit float; 16 and float keep the fractions
              the stack gained)  --print-offsets (before the quality lines)

Only --quality and --offset may be given more than once. Every named file
(pictures, video, corrections, kernels, table) is read and checked before
the load; --help anywhere shows this text.

Exit status: 0 written; 2 bad arguments or refused input; 1 an error while
processing (nothing written).
)";

// Items joined two spaces apart after a label padded to the usage's column,
// wrapped before the line would pass 79 characters.
std::string UsageLines(const std::string& label, const std::vector<std::string>& items)
{
    constexpr std::size_t Column = 14;
    constexpr std::size_t Width = 79;
    std::string text = label + std::string(Column - label.size(), ' ');
    std::size_t lineStart = 0;
    bool first = true;
    for (const std::string& item : items) {
        if (!first && text.size() - lineStart + 2 + item.size() > Width) {
            text += '\n';
            lineStart = text.size();
            text += std::string(Column, ' ');
            first = true;
        }
        text += (first ? "" : "  ") + item;
        first = false;
    }
    return text + '\n';
}

std::string RangeText(const SettingRange& r)
{
    return "(" + std::to_string(r.minimum) + ".." + std::to_string(r.maximum) +
           (r.step != 1 ? ", step " + std::to_string(r.step) : "") + ")";
}

std::string Joined(std::span<const std::string_view> names)
{
    std::string list;
    for (const std::string_view name : names) list += (list.empty() ? "" : "|") + std::string(name);
    return list;
}

// The command line's names of the combine methods, in the list's order.
std::vector<std::string_view> CombineMethodNames()
{
    std::vector<std::string_view> names;
    for (const CombineMethodDeclaration& method : CombineMethodList()) names.push_back(method.name);
    return names;
}

std::string CombinationUsage()
{
    return UsageLines("Combination:", {"--combine " + Joined(CombineMethodNames()),
                                       "--param P " + RangeText(CombineParameterRange)});
}

// Each stage's options in the run's order, then their kernels'.
std::string EnhancementUsage()
{
    std::vector<std::string> items;
    for (const EnhancementStage* stage : EnhancementStages()) {
        for (const StageParameter& p : stage->parameters) {
            items.push_back(std::string(p.option) + " " +
                            (p.choices.empty() ? std::string(p.valueName) + " " + RangeText(p.range)
                                               : Joined(p.choices)));
        }
        if (!stage->switchOption.empty()) items.emplace_back(stage->switchOption);
    }
    for (const EnhancementStage* stage : EnhancementStages()) items.push_back(std::string(stage->kernelOption) + " F");
    return UsageLines("Enhancement:", items);
}

}  // namespace

std::string BatchUsage() { return UsageStart + CombinationUsage() + EnhancementUsage() + UsageEnd; }

std::string StageListing()
{
    std::string text = "Enhancement stages, in the order a calculation run applies them:\n";
    for (const EnhancementStage* stage : EnhancementStages()) {
        text += "\n" + std::string(stage->title) + " (kernel: " + std::string(stage->kernelOption) + " F)\n";
        if (!stage->switchOption.empty())
            text += "  " + std::string(stage->switchOption) + "  " + std::string(stage->switchDescription) + "\n";
        for (const StageParameter& p : stage->parameters) {
            const std::string values =
                p.choices.empty()
                    ? std::string(p.valueName) + " " + RangeText(p.range) + ", default " + std::to_string(p.range.start)
                    : Joined(p.choices) + ", default " + std::string(p.choices[static_cast<std::size_t>(p.range.start)]);
            text += "  " + std::string(p.option) + " " + values + (p.switchesOn ? " (switches the stage on)" : "") +
                    "\n      " + std::string(p.name) + ": " + std::string(p.description) + "\n";
        }
    }
    return text;
}

bool AsksForStageListing(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments)
        if (argument == "--stages") return true;
    return false;
}

bool AsksForHelp(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h") return true;
    return false;
}

namespace {

// Larger shifts or origins only show a picture's border pixel, and keeping
// them this small keeps every coordinate sum far from overflowing.
constexpr int MaxOffset = 16384;

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : args_(arguments) {}

    std::variant<BatchOptions, UsageError> Run();

private:
    using Handler = std::function<void()>;

    std::string Next(const std::string& option)
    {
        if (index_ >= args_.size()) Fail(option + " needs a value");
        return args_[index_++];
    }
    [[noreturn]] void Fail(const std::string& message) { throw UsageError{message}; }

    static std::optional<int> ToInt(const std::string& text)
    {
        int value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
        return value;
    }

    // An integer in minimum..maximum that is a multiple of `step` counted from `base`.
    int Number(const std::string& option, int minimum, int maximum, int step = 1, int base = 0)
    {
        return Number(option, SettingRange{minimum, maximum, step, base});
    }

    int Number(const std::string& option, const SettingRange& r)
    {
        const std::string text = Next(option);
        const auto value = ToInt(text);
        if (!value || !r.accepts(*value)) {
            std::string range = std::to_string(r.minimum) + ".." + std::to_string(r.maximum);
            if (r.step != 1) range += " in steps of " + std::to_string(r.step);
            Fail(option + " " + text + ": expected " + range);
        }
        return *value;
    }

    int Choice(const std::string& option, std::span<const std::string_view> names)
    {
        const std::string text = Next(option);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == text) return static_cast<int>(i);
        Fail(option + " " + text + ": expected " + Joined(names));
    }

    // Every stage's options, as its declaration gives them.
    void AddStageHandlers(std::map<std::string, Handler>& handlers)
    {
        for (const EnhancementStage* stage : EnhancementStages()) {
            StageSettings& settings = options_.enhancement[stage->id];
            for (std::size_t i = 0; i < stage->parameters.size(); ++i) {
                const StageParameter& p = stage->parameters[i];
                const std::string option(p.option);
                handlers[option] = [this, &settings, &p, i, option] {
                    settings.values[i] = p.choices.empty() ? Number(option, p.range) : Choice(option, p.choices);
                    if (p.switchesOn) settings.on = true;
                };
            }
            if (!stage->switchOption.empty())
                handlers[std::string(stage->switchOption)] = [&settings] { settings.on = true; };
            std::string& kernelFile = options_.kernelFiles[static_cast<std::size_t>(stage->kernel)];
            const std::string kernelOption(stage->kernelOption);
            handlers[kernelOption] = [this, &kernelFile, kernelOption] { kernelFile = Next(kernelOption); };
        }
    }

    // "A:B" or "A:B:C" of integers; every field but the first (a picture
    // number) in minimum..maximum.
    std::vector<int> Fields(const std::string& option, std::size_t count, int minimum, int maximum)
    {
        const std::string text = Next(option);
        std::vector<int> fields;
        std::size_t start = 0;
        while (true) {
            const std::size_t colon = text.find(':', start);
            const auto value = ToInt(text.substr(start, colon - start));
            if (!value) break;
            fields.push_back(*value);
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
        if (fields.size() != count) Fail(option + " " + text + ": expected " + (count == 2 ? "A:B" : "N:DX:DY"));
        for (std::size_t i = count == 2 ? 0 : 1; i < count; ++i) {
            if (fields[i] < minimum || fields[i] > maximum)
                Fail(option + " " + text + ": expected values in " + std::to_string(minimum) + ".." +
                     std::to_string(maximum));
        }
        return fields;
    }

    // Any count of pictures from 0 up; a number too large for an int means
    // "the last picture" like any other number above the count.
    int PictureNumber(const std::string& option)
    {
        const std::string text = Next(option);
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) Fail(option + " " + text + ": expected a picture number (0 and up)");
        return ToInt(text).value_or(std::numeric_limits<int>::max());
    }

    int Choice(const std::string& option, std::initializer_list<std::string_view> names)
    {
        return Choice(option, std::span<const std::string_view>(names.begin(), names.size()));
    }

    // "P%" with P from `least` to 100, or a count N from `least` up (a count
    // too large for an int keeps every picture, like any count above the
    // number of them).
    KeepRule Keep(const std::string& option, int least)
    {
        const std::string text = Next(option);
        const bool percent = !text.empty() && text.back() == '%';
        const std::string number = percent ? text.substr(0, text.size() - 1) : text;
        const bool digits = !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
        const auto value = ToInt(number);
        if (!digits || (value && *value < least) || (percent && (!value || *value > 100)))
            Fail(option + " " + text + ": expected P% (" + std::to_string(least) + "..100) or a count N (" +
                 std::to_string(least) + " and up)");
        const int amount = value.value_or(std::numeric_limits<int>::max());
        return percent ? KeepRule::Percent(amount) : KeepRule::Count(amount);
    }

    void Quality(const std::string& option)
    {
        const std::string text = Next(option);
        const std::size_t colon = text.find(':');
        const auto picture = ToInt(text.substr(0, colon));
        const std::string mark = colon == std::string::npos ? "" : text.substr(colon + 1);
        static const std::map<std::string, int> marks = {{"dont", 0}, {"bad", 1}, {"avg", 2}, {"good", 3},
                                                         {"0", 0},    {"1", 1},   {"2", 2},   {"3", 3}};
        const auto found = marks.find(mark);
        if (!picture || found == marks.end()) Fail(option + " " + text + ": expected N:dont|bad|avg|good");
        options_.qualities.push_back({*picture, found->second});
    }

    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
    BatchOptions options_;
};

std::variant<BatchOptions, UsageError> Parser::Run()
{
    BatchOptions& o = options_;
    std::set<std::string> given;
    std::map<std::string, Handler> handlers = {
        {"--bmp", [&] {
             if (given.count("--series")) Fail("--series and --bmp exclude each other");
             o.first = Next("--bmp");
             o.last = Next("--bmp");
         }},
        {"--series", [&] {
             if (given.count("--bmp")) Fail("--series and --bmp exclude each other");
             o.first = Next("--series");
             o.last = Next("--series");
         }},
        {"--avi", [&] { o.avi = Next("--avi"); }},
        {"--bayer", [&] {
             o.bayer = static_cast<BayerChoice>(Choice("--bayer", {"auto", "none", "rggb", "grbg", "gbrg", "bggr"}));
         }},
        {"--memory", [&] { o.memoryMiB = Number("--memory", DefaultPictureMemoryMiB, MachineMemoryMiB()); }},
        {"--flat", [&] { o.flat = Next("--flat"); }},
        {"--dark", [&] { o.dark = Next("--dark"); }},
        {"--shift-fix", [&] { o.shiftFix = true; }},
        {"--width", [&] { o.width = Number("--width", WorkingWidthRange); }},
        {"--resample", [&] { o.resample = Number("--resample", EnlargementRange); }},
        {"--full-picture", [&] { o.fullPicture = true; }},
        {"--quality", [&] { Quality("--quality"); }},
        {"--offset", [&] {
             const auto f = Fields("--offset", 3, -MaxOffset, MaxOffset);
             o.offsets.push_back({f[0], f[1], f[2]});
         }},
        {"--keep", [&] { o.keep = Keep("--keep", 0); }},
        {"--print-quality", [&] { o.printQuality = true; }},
        {"--align", [&] {
             const int method = Choice("--align", {"auto", "local"});
             o.alignAuto = true;
             o.alignLocal = method == 1;
         }},
        {"--points", [&] { o.pointSize = Number("--points", MinimumBoxSize, MaximumBoxSize, 2); }},
        {"--local-keep", [&] { o.localKeep = Keep("--local-keep", 1); }},
        {"--reference", [&] { o.reference = PictureNumber("--reference"); }},
        {"--view-origin", [&] {
             const auto f = Fields("--view-origin", 2, -1, MaxOffset);
             o.viewOriginX = f[0];
             o.viewOriginY = f[1];
         }},
        {"--combine", [&] {
             const auto chosen = static_cast<std::size_t>(Choice("--combine", CombineMethodNames()));
             o.combine = CombineMethodList()[chosen].method;
         }},
        {"--param", [&] { o.param = Number("--param", CombineParameterRange); }},
        {"--mode", [&] { o.mode = Number("--mode", DisplayModeRange); }},
        {"--saturation", [&] { o.saturation = Number("--saturation", SaturationRange); }},
        {"--clahe", [&] { o.clahe = Number("--clahe", ClaheClipRange); }},
        {"--bias", [&] { o.bias = Number("--bias", BiasGainRange); }},
        {"--gain", [&] { o.gain = Number("--gain", BiasGainRange); }},
        {"--lut", [&] { o.lut = Next("--lut"); }},
        {"--lut-negative", [&] { o.lutNegative = true; }},
        {"--map0255", [&] { o.map0255 = true; }},
        {"--output", [&] { o.output = Next("--output"); }},
        {"--depth", [&] {
             static const SampleDepth depths[] = {SampleDepth::Eight, SampleDepth::Sixteen, SampleDepth::Float};
             o.depth = depths[Choice("--depth", {"8", "16", "float"})];
         }},
        {"--print-offsets", [&] { o.printOffsets = true; }},
    };
    AddStageHandlers(handlers);
    try {
        while (index_ < args_.size()) {
            const std::string option = args_[index_++];
            const auto handler = handlers.find(option);
            if (handler == handlers.end()) Fail("unknown option " + option);
            // A second value would silently replace the first; say so instead.
            if (!given.insert(option).second && option != "--quality" && option != "--offset")
                Fail(option + " is given twice");
            handler->second();
        }
        if (o.first.empty() == o.avi.empty()) Fail("give exactly one input: --bmp FIRST LAST or --avi FILE");
        if (o.output.empty()) Fail("no output: give --output FILE");
        if (!o.lut.empty() && o.lutNegative) Fail("--lut and --lut-negative exclude each other");
        if ((o.pointSize || o.localKeep) && !o.alignLocal)
            Fail(std::string(o.pointSize ? "--points" : "--local-keep") + " needs --align local");
        const PictureFormat format = FormatOfName(o.output);
        if (!HoldsDepth(format, o.depth)) {
            Fail(std::string("--depth ") + (o.depth == SampleDepth::Float ? "float" : "16") + ": " +
                 (format == PictureFormat::Bmp ? "a BMP holds 8 bits a channel; name the output .png, .tif or .fits"
                                               : "a " + std::string(FormatName(format)) +
                                                     " holds 8 or 16 bits a channel; name the output .fits for float"));
        }
    } catch (const UsageError& error) {
        return error;
    }
    return options_;
}

}  // namespace

std::variant<BatchOptions, UsageError> ParseBatchOptions(const std::vector<std::string>& arguments)
{
    return Parser(arguments).Run();
}

}  // namespace quivane
