#include "actions/SaveOptions.h"

#include "output/ResultName.h"

namespace quivane {

const std::array<SaveOption, 7>& SaveOptions()
{
    static const std::array<SaveOption, 7> options = {{
        {"Bitmaps", "*.bmp", {PictureFormat::Bmp, SampleDepth::Eight}},
        {"PNG, 8 bits a channel", "*.png", {PictureFormat::Png, SampleDepth::Eight}},
        {"PNG, 16 bits a channel", "*.png", {PictureFormat::Png, SampleDepth::Sixteen}},
        {"TIFF, 8 bits a channel", "*.tif;*.tiff", {PictureFormat::Tiff, SampleDepth::Eight}},
        {"TIFF, 16 bits a channel", "*.tif;*.tiff", {PictureFormat::Tiff, SampleDepth::Sixteen}},
        {"FITS, 16-bit integers", "*.fits;*.fit;*.fts", {PictureFormat::Fits, SampleDepth::Sixteen}},
        {"FITS, 32-bit float", "*.fits;*.fit;*.fts", {PictureFormat::Fits, SampleDepth::Float}},
    }};
    return options;
}

std::string SaveDialogFilter()
{
    std::string filter;
    for (const SaveOption& option : SaveOptions()) {
        if (!filter.empty()) filter += "|";
        filter += std::string(option.caption) + " (" + option.patterns + ")|" + option.patterns;
    }
    return filter;
}

SaveChoice ChoiceForSave(const std::string& path, int filter)
{
    const PictureFormat format = FormatOfName(path);
    const bool known = filter >= 0 && filter < static_cast<int>(SaveOptions().size());
    const SampleDepth asked = known ? SaveOptions()[static_cast<std::size_t>(filter)].choice.depth : SampleDepth::Eight;
    return SaveChoice{format, DepthFor(format, asked)};
}

int SaveOptionFor(const std::string& name, SaveChoice preferred)
{
    const PictureFormat format = FormatOfName(name);
    int first = 0;
    for (int i = static_cast<int>(SaveOptions().size()) - 1; i >= 0; --i) {
        const SaveChoice& choice = SaveOptions()[static_cast<std::size_t>(i)].choice;
        if (choice.format != format) continue;
        if (choice == preferred) return i;
        first = i;
    }
    return first;
}

void SetAutomaticSaveChoice(Workspace& ws, Ui& ui, SaveChoice choice)
{
    ws.automaticSave = SaveChoice{choice.format, DepthFor(choice.format, choice.depth)};
    ws.resultFileName = AutoResultName(ws.saveCounter, ExtensionOf(ws.automaticSave.format));
    ui.setText(TextField::SaveButtonCaption, "&Save  [" + ws.resultFileName + "]");
}

}  // namespace quivane
