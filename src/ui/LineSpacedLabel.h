#pragma once

#include <QLabel>

/**
 * A label of plain text, one line per line break (LF or CR LF), whose lines lie as far apart as
 * the font's glyphs really reach (glyphBox), so a descender never touches the line below. The
 * lines are aligned left, right or centred as the label's alignment says, from the top.
 */
class LineSpacedLabel : public QLabel {
public:
    explicit LineSpacedLabel(const QString& text = {}, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines() const;
    /** The distance from one line's top to the next one's. */
    int lineStep() const;
};
