#pragma once
// The screenshot control window DL_Scr: reads the picture the decoder shows
// out of its luminance and chrominance buffers into the image window DL_Sc2,
// separates its fields, saves it as "screenshot.bmp" and toggles the
// decoder's display freeze.
#include "screenshot/capture.h"
#include "screenshot/picture.h"
#include "ui/tool_window.h"

#include <QElapsedTimer>
#include <QPointer>

class ImageWindow;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class ScrWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ScrWindow(Session &session);

    // Ignored while a transaction or another operation runs.
    void Cmd_Read_Click();
    void Cmd_Frz_Click();
    void Cmd_Dei_Click();
    // Works even while the link is busy.
    void Cmd_Save_Click();
    void Cmd_Stop_Click() { StopFlag = true; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildBufferBoxes(QGridLayout *grid);
    void buildSizeBoxes(QGridLayout *grid);
    void buildButtons(QGridLayout *grid);
    void EnableControls(bool enabled);
    CaptureRequest takeRequest();
    void showImageWindow();
    CaptureHooks hooks();
    void pictureChanged();

    QLineEdit *txt_[4] = {};
    QRadioButton *o1_[2] = {};
    QComboBox *cmbW_ = nullptr;
    QComboBox *cmbH_ = nullptr;
    QPushButton *cmdRead_ = nullptr, *cmdStop_ = nullptr, *cmdFrz_ = nullptr, *cmdDei_ = nullptr, *cmdSave_ = nullptr;
    QLabel *l1_[2] = {};

    Picture picture_;
    QPointer<ImageWindow> image_;   // created at the first capture
    QElapsedTimer sinceRepaint_;
};
