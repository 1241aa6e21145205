#include "output/TiffEncoder.h"

#include <string>

#include "output/ProgramIdentity.h"
#include "output/SampleScaling.h"

namespace quivane {
namespace {

enum FieldType : std::uint16_t { Ascii = 2, Short = 3, Long = 4, Rational = 5 };

// One directory entry. Values of more than four bytes live after the
// directory; `data` holds them (or the inline value) in file byte order.
struct Entry {
    std::uint16_t tag;
    FieldType type;
    std::uint32_t count;
    std::vector<std::uint8_t> data;
};

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void SetLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

Entry Shorts(std::uint16_t tag, std::vector<std::uint16_t> values)
{
    Entry e{tag, Short, static_cast<std::uint32_t>(values.size()), {}};
    for (std::uint16_t v : values) PutLe(e.data, v, 2);
    return e;
}

Entry OneLong(std::uint16_t tag, std::uint32_t value)
{
    Entry e{tag, Long, 1, {}};
    PutLe(e.data, value, 4);
    return e;
}

Entry OneRational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator)
{
    Entry e{tag, Rational, 1, {}};
    PutLe(e.data, numerator, 4);
    PutLe(e.data, denominator, 4);
    return e;
}

// TIFF text is 7-bit ASCII ending in a zero byte.
Entry Text(std::uint16_t tag, const std::string& text)
{
    Entry e{tag, Ascii, 0, {}};
    for (const char c : text) e.data.push_back(static_cast<unsigned char>(c) < 128 ? static_cast<std::uint8_t>(c) : '?');
    e.data.push_back(0);
    e.count = static_cast<std::uint32_t>(e.data.size());
    return e;
}

std::vector<std::uint8_t> Samples(const LevelPicture& picture, bool deep)
{
    std::vector<std::uint8_t> out;
    out.reserve(picture.levels.size() * (deep ? 2 : 1));
    for (const float level : picture.levels) {
        if (deep) {
            PutLe(out, WordSample(level), 2);
        } else {
            out.push_back(ByteSample(level));
        }
    }
    return out;
}

std::string Description(const PictureNotes& notes)
{
    std::string text;
    for (const PictureNote& note : notes) text += note.name + ": " + note.value + "\n";
    return text;
}

}  // namespace

std::vector<std::uint8_t> EncodeTiff(const LevelPicture& picture, SampleDepth depth, const PictureNotes& notes)
{
    const bool deep = depth != SampleDepth::Eight;
    const auto channels = static_cast<std::uint16_t>(picture.channels);
    const std::uint16_t bits = deep ? 16 : 8;
    const std::vector<std::uint8_t> samples = Samples(picture, deep);

    // In ascending tag order, as the format requires. The strip offset is
    // filled in once the layout is known.
    std::vector<Entry> entries = {
        OneLong(256, static_cast<std::uint32_t>(picture.width)),
        OneLong(257, static_cast<std::uint32_t>(picture.height)),
        Shorts(258, std::vector<std::uint16_t>(channels, bits)),
        Shorts(259, {1}),                                   // no compression
        Shorts(262, {static_cast<std::uint16_t>(channels == 1 ? 1 : 2)}),  // black is zero, or RGB
    };
    if (!notes.empty()) entries.push_back(Text(270, Description(notes)));
    entries.push_back(OneLong(273, 0));
    entries.push_back(Shorts(277, {channels}));
    entries.push_back(OneLong(278, static_cast<std::uint32_t>(picture.height)));
    entries.push_back(OneLong(279, static_cast<std::uint32_t>(samples.size())));
    entries.push_back(OneRational(282, 72, 1));
    entries.push_back(OneRational(283, 72, 1));
    entries.push_back(Shorts(284, {1}));  // samples of a pixel together
    entries.push_back(Shorts(296, {2}));  // per inch
    entries.push_back(Text(305, ProgramIdentity()));

    constexpr std::uint32_t HeaderSize = 8;
    const auto directorySize = static_cast<std::uint32_t>(2 + 12 * entries.size() + 4);
    std::uint32_t extra = HeaderSize + directorySize;
    std::vector<std::uint8_t> out = {'I', 'I', 42, 0};
    PutLe(out, HeaderSize, 4);
    PutLe(out, static_cast<std::uint32_t>(entries.size()), 2);
    std::vector<std::uint8_t> values;
    std::size_t stripOffsetAt = 0;
    for (const Entry& e : entries) {
        PutLe(out, e.tag, 2);
        PutLe(out, e.type, 2);
        PutLe(out, e.count, 4);
        if (e.tag == 273) stripOffsetAt = out.size();
        if (e.data.size() <= 4) {
            std::vector<std::uint8_t> inline4 = e.data;
            inline4.resize(4, 0);
            out.insert(out.end(), inline4.begin(), inline4.end());
        } else {
            PutLe(out, extra + static_cast<std::uint32_t>(values.size()), 4);
            values.insert(values.end(), e.data.begin(), e.data.end());
            if (values.size() % 2 != 0) values.push_back(0);  // values start on a word boundary
        }
    }
    PutLe(out, 0, 4);  // no further directory
    out.insert(out.end(), values.begin(), values.end());
    SetLe(out, stripOffsetAt, static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

}  // namespace quivane
