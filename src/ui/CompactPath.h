#pragma once

#include <QString>

class QFontMetrics;

/**
 * The path shortened to fit width pixels in the font of metrics: whole folders from the middle
 * give way to "..." and the file name stays whole ("/home/ann/.../conlog11.log"), as many of
 * the leading folders kept as fit; the shortest such form is ".../name". Only when even that
 * does not fit is the file name itself elided in its middle. A path that fits is returned as is.
 */
QString compactPath(const QString& path, const QFontMetrics& metrics, int width);
