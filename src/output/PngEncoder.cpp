#include "output/PngEncoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "output/ProgramIdentity.h"
#include "output/SampleScaling.h"

namespace quivane {
namespace {

QImage::Format FormatFor(int channels, bool deep)
{
    if (channels == 1) return deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
    return deep ? QImage::Format_RGBX64 : QImage::Format_RGB888;
}

QImage ImageOf(const LevelPicture& picture, bool deep)
{
    QImage image(picture.width, picture.height, FormatFor(picture.channels, deep));
    for (int y = 0; y < picture.height; ++y) {
        uchar* line = image.scanLine(y);
        const float* levels = picture.levels.data() + picture.index(0, y, 0);
        const int count = picture.width * picture.channels;
        if (!deep) {
            for (int i = 0; i < count; ++i) line[i] = ByteSample(levels[i]);
        } else if (picture.channels == 1) {
            auto* words = reinterpret_cast<quint16*>(line);
            for (int i = 0; i < count; ++i) words[i] = WordSample(levels[i]);
        } else {
            // RGBX64 keeps a fourth, ignored word per pixel; the encoder
            // leaves it out of the file.
            auto* words = reinterpret_cast<quint16*>(line);
            for (int x = 0; x < picture.width; ++x) {
                for (int c = 0; c < 3; ++c) words[4 * x + c] = WordSample(levels[3 * x + c]);
                words[4 * x + 3] = 0xFFFF;
            }
        }
    }
    // 72 dots per inch, rather than whatever the display would suggest.
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    return image;
}

}  // namespace

std::variant<std::vector<std::uint8_t>, std::string> EncodePng(const LevelPicture& picture, SampleDepth depth,
                                                              const PictureNotes& notes)
{
    QImage image = ImageOf(picture, depth != SampleDepth::Eight);
    image.setText("Software", QString::fromStdString(ProgramIdentity()));
    for (const PictureNote& note : notes) image.setText(QString::fromStdString(note.name), QString::fromStdString(note.value));

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) return "the PNG encoder failed (" + writer.errorString().toStdString() + ")";
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace quivane
