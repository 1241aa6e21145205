#include <QApplication>

#include "acquire/VideoSource.h"
#include "workspace/MainForm.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quivane::VideoSource::SilenceDecoderMessages();
    QApplication::setApplicationName("Quivane");
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    // Tight indicator spacing lets the four quality marks fit in one row.
    app.setStyleSheet("QRadioButton, QCheckBox { spacing: 3px; }");

    quivane::MainForm window(QApplication::applicationDirPath().toStdString());
    window.show();
    return QApplication::exec();
}
