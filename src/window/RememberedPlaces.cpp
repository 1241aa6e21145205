#include "window/RememberedPlaces.h"

#include <QSettings>
#include <QWidget>

namespace quivane {
namespace {

// The keys, in the order of FileDialogKind.
const char* const DialogKeys[FileDialogKindCount] = {"dialogs/bitmaps",     "dialogs/video",  "dialogs/kernels",
                                                     "dialogs/corrections", "dialogs/tables", "dialogs/results"};

QString GeometryKey(const QString& name) { return "windows/" + name + "/geometry"; }

}  // namespace

RememberedPlaces::DialogFolderList RememberedPlaces::dialogFolders() const
{
    DialogFolderList folders;
    if (!store_) return folders;
    for (std::size_t i = 0; i < FileDialogKindCount; ++i)
        folders[i] = store_->value(DialogKeys[i]).toString().toStdString();
    return folders;
}

void RememberedPlaces::keepDialogFolders(const DialogFolderList& folders)
{
    if (!store_) return;
    for (std::size_t i = 0; i < FileDialogKindCount; ++i) {
        if (!folders[i].empty()) store_->setValue(DialogKeys[i], QString::fromStdString(folders[i]));
    }
}

bool RememberedPlaces::restoreWindow(QWidget& window, const QString& name) const
{
    if (!store_) return false;
    const QByteArray geometry = store_->value(GeometryKey(name)).toByteArray();
    return !geometry.isEmpty() && window.restoreGeometry(geometry);
}

void RememberedPlaces::keepWindow(const QWidget& window, const QString& name)
{
    if (store_) store_->setValue(GeometryKey(name), window.saveGeometry());
}

}  // namespace quivane
