#pragma once

#include <optional>
#include <string>

#include "image/LevelPicture.h"
#include "image/PictureNotes.h"
#include "output/SaveFormat.h"

namespace quivane {

// Writes the picture as the format chosen, at the depth chosen or the
// deepest below it that the format holds (DepthFor), with the notes where
// the format carries text (not in BMP). The file at `path` is replaced only
// once the new one is completely written (ReplaceFile). Returns a message
// naming the file and the problem on failure.
[[nodiscard]] std::optional<std::string> WritePicture(const LevelPicture& picture, SaveChoice choice,
                                                      const PictureNotes& notes, const std::string& path);

}  // namespace quivane
