#pragma once
// The image window DL_Sc2: only the picture area Pic, which shows the
// picture of the screenshot control window inside a 2-pixel border. It
// belongs to the control window, which holds the picture, outlives it and
// closes it; closing it only hides it.
#include <QWidget>

class Picture;

class ImageWindow : public QWidget {
    Q_OBJECT
public:
    explicit ImageWindow(QWidget *owner);

    // Sizes the area to picture (which must outlive this window), fits the
    // window around it and shows it.
    void showPicture(const Picture *picture);
    // Draws the picture again after it changed.
    void refresh();

private:
    class PictureArea *pic_ = nullptr;
};
