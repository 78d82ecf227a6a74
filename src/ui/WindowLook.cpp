#include "WindowLook.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

const QString FontFamily = u"Tahoma"_s;
constexpr double FontPoints = 7.8;

/**
 * Registers the Tahoma of fonts-wine unless a Tahoma is installed. families() is asked rather
 * than hasFamily(), which also answers for a fontconfig alias. Only the regular face: Wine's
 * bold face keeps one-pixel stems at 7.8 points and reads as regular, whereas the bold that
 * Qt derives from the regular face is plainly bold (the "<All-clients>" row, the tray menu).
 */
void registerTahoma() {
    if (QFontDatabase::families().contains(FontFamily, Qt::CaseInsensitive))
        return;
    const QString file = u"/usr/share/wine/fonts/tahoma.ttf"_s;
    if (QFile::exists(file))
        QFontDatabase::addApplicationFont(file);
}

} // namespace

QFont windowFont() {
    registerTahoma();
    QFont font(FontFamily);
    font.setPointSizeF(FontPoints);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

QRect glyphBox(const QFontMetrics& metrics) {
    // Capitals with accents, descenders and the bar, which reaches both ways in most fonts.
    return metrics.boundingRect(u"\u00C5\u00C9gjpqy|"_s);
}

void centreOnScreen(QWidget* window, const QWidget* owner) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

// Resources of a static library must be initialised by name, outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(quillmere);
}

QIcon programIcon() {
    initIconResources();
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(u":/icons/quillmere-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}
