#pragma once

#include <string>

namespace quivane {

// Where the working folders (PSF/, Pictures/, Videos/, Result/) live, given
// the folder of the running program:
// - beside the program when its samples sit there (the build tree, or a
//   program unpacked in one folder);
// - else, for an installed program, in a per-user folder ($XDG_DATA_HOME/quivane,
//   by default ~/.local/share/quivane), made on first use with its own Result/
//   and links to the sample folders in <prefix>/share/quivane: the
//   installation itself is never written to.
// Falls back to the shared folder without a home, and to the program's
// folder when no samples are found.
std::string WorkingFolder(const std::string& programFolder, const std::string& userDataHome);

// $XDG_DATA_HOME, or $HOME/.local/share; empty when neither is set.
std::string UserDataHome();

}  // namespace quivane
