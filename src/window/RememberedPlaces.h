#pragma once

#include <QString>
#include <array>
#include <string>

#include "workspace/FileDialogKind.h"

class QSettings;
class QWidget;

namespace quivane {

// What the window keeps between runs in a settings store: the folder each
// file dialog was last used in, and the size and place of its own windows.
// No control value is kept: every run starts from the controls' start
// values. Without a store nothing is read or kept.
class RememberedPlaces {
public:
    using DialogFolderList = std::array<std::string, FileDialogKindCount>;

    explicit RememberedPlaces(QSettings* store) : store_(store) {}

    // Each dialog's folder as last kept; empty for a dialog never used.
    DialogFolderList dialogFolders() const;
    void keepDialogFolders(const DialogFolderList& folders);

    // Gives `window` the size and place it had when last kept under `name`;
    // false when none was kept, or what was kept cannot be read.
    bool restoreWindow(QWidget& window, const QString& name) const;
    void keepWindow(const QWidget& window, const QString& name);

private:
    QSettings* store_;
};

}  // namespace quivane
