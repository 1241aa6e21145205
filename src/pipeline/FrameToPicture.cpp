#include "pipeline/FrameToPicture.h"

#include <utility>

#include "image/DeepConversion.h"
#include "prepare/FramePreparation.h"

namespace quivane {
namespace {

std::uint16_t MosaicSample(std::uint8_t grey) { return static_cast<std::uint16_t>(grey * 257); }
std::uint16_t MosaicSample(const ColourPixel& p) { return static_cast<std::uint16_t>(p.green * 257); }

// A grey frame as the one-channel deep frame it is, a mosaic when a pattern
// is named. A 24-bit grey frame gives its green.
template <class Frame>
DeepFrame OneChannel(const Frame& frame, Mosaic mosaic)
{
    DeepFrame out(frame.width(), frame.height(), 1);
    out.mosaic = mosaic;
    for (int y = 0; y < frame.height(); ++y) {
        const auto* in = frame.row(y);
        std::uint16_t* row = out.row(y);
        for (int x = 0; x < frame.width(); ++x) row[x] = MosaicSample(in[x]);
    }
    return out;
}

// A frame read as 24 bits at its own depth: as the one-channel mosaic it
// holds when a pattern is named, else as colour.
DeepFrame GreyMosaicOrColour(const ColourRows& frame, Mosaic mosaic)
{
    return mosaic == Mosaic::None ? ToDeepFrame(frame) : OneChannel(frame, mosaic);
}

// A picture and what is to be measured of its frame.
struct MadePicture {
    Picture picture;
    std::optional<ObjectView> view;
};

Picture NewPicture(const SeriesSettings& s)
{
    Picture picture;
    picture.enlargement = s.enlargement;
    picture.fullPicture = s.fullPicture;
    return picture;
}

// Builds the picture from the frame as it stands (unless only scores are
// asked for) and reads what is measured of the frame around the object the
// building found.
template <class Frame>
MadePicture Made(const Frame& frame, const SeriesSettings& s)
{
    MadePicture made{NewPicture(s), std::nullopt};
    const ObjectSurvey survey = s.work == SeriesWork::ScoresOnly
                                    ? SurveyObject(frame)
                                    : BuildPicture(made.picture, frame, s.width, s.height);
    if (s.work != SeriesWork::Pictures) made.view = MeasuredView(frame, survey, s.fullPicture);
    return made;
}

// Preparation never changes the frame it is given: a correction works on a copy.
MadePicture PictureOf(const ColourRows& frame, const SeriesSettings& s)
{
    if (s.correction.flags == 0) return Made(frame, s);
    Bitmap24 corrected = frame.copy();
    CorrectFrame(s.correction, corrected);
    return Made(ColourRows(corrected), s);
}

MadePicture PictureOf(const DeepFrame& frame, const SeriesSettings& s)
{
    if (s.correction.flags == 0) return Made(frame, s);
    DeepFrame corrected = frame;
    CorrectFrame(s.correction, corrected);
    return Made(corrected, s);
}

PreparedFrame PrepareDeep(const DeepFrame& frame, const SeriesSettings& s)
{
    const Mosaic mosaic = frame.channels == 1 ? ChosenMosaic(s.bayer, frame.mosaic) : Mosaic::None;
    DeepFrame made;
    if (mosaic != Mosaic::None) made = Debayer(frame, mosaic);
    const DeepFrame& colour = mosaic != Mosaic::None ? made : AsColour(frame, made);
    Bitmap24 eight = ToBitmap24(colour);
    // 8-bit data takes the 24-bit way, to the same bytes.
    MadePicture picture =
        !NeedsDeepPath(colour) && !s.correction.deepFiles ? PictureOf(ColourRows(eight), s) : PictureOf(colour, s);
    return {std::move(picture.picture), std::move(eight), std::move(picture.view)};
}

}  // namespace

FrameRef RefOf(const CaptureFrame& frame)
{
    if (const auto* bitmap = std::get_if<Bitmap24>(&frame)) return ColourRows(*bitmap);
    if (const auto* held = std::get_if<HeldRows>(&frame)) return held->rows;
    if (const auto* grey = std::get_if<Bitmap8>(&frame)) return GreyRows(*grey);
    return &std::get<DeepFrame>(frame);
}

PreparedFrame PrepareFrame(FrameRef frame, const SeriesSettings& s)
{
    // A frame that does not say it holds a mosaic (a grey AVI or SER) is read
    // with the pattern the user names.
    const Mosaic named = ChosenMosaic(s.bayer, Mosaic::None);
    if (const auto* rows = std::get_if<ColourRows>(&frame)) {
        if (named != Mosaic::None || s.correction.deepFiles) return PrepareDeep(GreyMosaicOrColour(*rows, named), s);
        MadePicture made = PictureOf(*rows, s);
        return {std::move(made.picture), {}, std::move(made.view)};
    }
    if (const auto* grey = std::get_if<GreyRows>(&frame)) {
        if (named != Mosaic::None || s.correction.flags != 0 || s.correction.deepFiles)
            return PrepareDeep(OneChannel(*grey, named), s);
        MadePicture made = Made(*grey, s);
        return {std::move(made.picture), {}, std::move(made.view)};
    }
    return PrepareDeep(*std::get<const DeepFrame*>(frame), s);
}

}  // namespace quivane
