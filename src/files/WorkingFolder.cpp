#include "files/WorkingFolder.h"

#include <cstdlib>
#include <filesystem>

namespace quivane {
namespace {

namespace fs = std::filesystem;

constexpr const char* SampleFolders[] = {"PSF", "Pictures", "Videos"};

bool HoldsSamples(const fs::path& folder)
{
    std::error_code error;
    return fs::is_directory(folder / "Pictures", error);
}

std::string WithSeparator(const fs::path& folder)
{
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') text += '/';
    return text;
}

// The per-user folder: its own Result/, the sample folders linked from the
// installation so they are found where the dialogs open.
bool PrepareUserFolder(const fs::path& user, const fs::path& shared)
{
    std::error_code error;
    fs::create_directories(user / "Result", error);
    if (error) return false;
    for (const char* name : SampleFolders) {
        const fs::path link = user / name;
        if (fs::exists(fs::symlink_status(link, error))) continue;
        fs::create_directory_symlink(shared / name, link, error);
    }
    return true;
}

}  // namespace

std::string WorkingFolder(const std::string& programFolder, const std::string& userDataHome)
{
    const fs::path program(programFolder);
    if (HoldsSamples(program)) return WithSeparator(program);
    const fs::path shared = (program / ".." / "share" / "quivane").lexically_normal();
    if (!HoldsSamples(shared)) return WithSeparator(program);
    if (userDataHome.empty()) return WithSeparator(shared);
    const fs::path user = fs::path(userDataHome) / "quivane";
    return PrepareUserFolder(user, shared) ? WithSeparator(user) : WithSeparator(shared);
}

std::string UserDataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
    return {};
}

}  // namespace quivane
