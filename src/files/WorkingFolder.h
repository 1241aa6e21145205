#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace quivane {

// Where the working folders (PSF/, Pictures/, Videos/, Result/) live, given
// the folder of the running program:
// - beside the program when its samples sit there (the build tree, or a
//   program unpacked in one folder);
// - else in <prefix>/share/quivane of an installed program, when writable;
// - else in a per-user folder ($XDG_DATA_HOME/quivane, by default
//   ~/.local/share/quivane), made on first use with its own Result/ and links
//   to the installed sample folders.
// Falls back to the program's folder when none of these can be had.
// `writable` tells whether the program may write into a folder.
std::string WorkingFolder(const std::string& programFolder, const std::string& userDataHome,
                          const std::function<bool(const std::filesystem::path&)>& writable);
std::string WorkingFolder(const std::string& programFolder, const std::string& userDataHome);

// $XDG_DATA_HOME, or $HOME/.local/share; empty when neither is set.
std::string UserDataHome();

}  // namespace quivane
