#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere Log Analyzer"));
    frmMain window;
    window.show();
    return app.exec();
}
