#include "screenshot/image_window.h"

#include "screenshot/picture.h"

#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kBorder = 2;

}   // namespace

class PictureArea : public QWidget {
public:
    explicit PictureArea(QWidget *parent) : QWidget(parent) { setObjectName("Pic"); }

    void setPicture(const Picture *picture)
    {
        picture_ = picture;
        setFixedSize(picture->width() + 2 * kBorder, picture->height() + 2 * kBorder);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().dark());
        if (!picture_ || picture_->isEmpty())
            return;
        // The picture's own rows, without a copy.
        const QImage image(picture_->bits(), picture_->width(), picture_->height(), picture_->bytesPerLine(),
                           QImage::Format_RGB888);
        painter.drawImage(kBorder, kBorder, image);
    }

private:
    const Picture *picture_ = nullptr;
};

ImageWindow::ImageWindow(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName("DL_Sc2");
    setWindowTitle("ScreenShot - image window");
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    pic_ = new PictureArea(this);
    layout->addWidget(pic_);
}

void ImageWindow::showPicture(const Picture *picture)
{
    pic_->setPicture(picture);
    show();
}

void ImageWindow::refresh() { pic_->update(); }
