#pragma once

#include <QGroupBox>
#include <QPointer>

/**
 * A frame whose caption lies on its top edge: the frame's line runs through the middle of the
 * caption row and leaves a gap where the caption is. The caption is the frame's own title, or
 * a control lying on the edge in its place, such as a check box that switches the frame's
 * contents. Captioned either way, frames look alike whatever the style: the line is drawn
 * etched in the palette's colours.
 */
class EdgeCaptionFrame : public QGroupBox {
public:
    EdgeCaptionFrame(const QString& title, QWidget* parent);

    /**
     * The caption row: from left, in pixels from the frame's left edge, and height pixels high
     * from its top. control, a sibling lying there, is the caption in place of the title.
     */
    void setCaption(int left, int height, QWidget* control = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /** Where the caption shows, in the frame's coordinates; empty without a caption. */
    QRect captionRect() const;

    int m_captionLeft = 0;
    int m_captionHeight = 0;
    QPointer<QWidget> m_captionControl;
};
