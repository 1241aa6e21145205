#pragma once

#include <string>

namespace quivane {

// Paths as the file dialogs return them: folders end in a separator.

// The folder part with its trailing separator; empty for a bare name.
std::string FolderOf(const std::string& path);

// The name part, without folder.
std::string NameOf(const std::string& path);

std::string UpperCase(std::string text);

// The extension with its dot, upper-cased (".BMP"); empty when there is none.
std::string UpperCaseExtension(const std::string& name);

}  // namespace quivane
