#include <QApplication>
#include <QSettings>

#include "acquire/VideoSource.h"
#include "window/MainForm.h"
#include "files/WorkingFolder.h"
#include "image/PictureMemory.h"

int main(int argc, char* argv[])
{
    quivane::KeepFreedFrameMemory();
    QApplication app(argc, argv);
    quivane::VideoSource::SilenceDecoderMessages();
    QApplication::setApplicationName("Quivane");
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    // Tight indicator spacing lets the four quality marks fit in one row.
    app.setStyleSheet("QRadioButton, QCheckBox { spacing: 3px; }");

    const std::string folder =
        quivane::WorkingFolder(QApplication::applicationDirPath().toStdString(), quivane::UserDataHome());
    // Where the dialogs and the windows were last: never a control's value.
    QSettings places(QSettings::IniFormat, QSettings::UserScope, "Quivane", "Quivane");
    quivane::MainForm window(folder, &places);
    window.show();
    return QApplication::exec();
}
