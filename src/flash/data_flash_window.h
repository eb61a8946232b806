#pragma once
// The data-flash management window DL_Eff: lists the directory of a 512 KB
// image file, saves one listed file and puts the TPT and TCS tables back
// into the image. It works on files only and sends nothing to the decoder.
#include "flash/data_directory.h"
#include "ui/tool_window.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class DataFlashWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit DataFlashWindow(Session &session);

    void Cmd_Ext_Click();
    void Lst_Click();
    void Cmd_Save_Click();
    void Cmd_Upd_Click();

    QByteArray FlashImage = QByteArray(kImageSize, '\0');

private:
    void EnableControls(bool flag);
    void extract();
    const DirectoryRow *selectedRow() const;

    std::vector<DirectoryRow> rows_;
    QLineEdit *txtFile_ = nullptr;
    QPushButton *cmdExt_ = nullptr;
    QListWidget *lst_ = nullptr;
    QPushButton *cmdSave_ = nullptr;
    QPushButton *cmdUpd_ = nullptr;
    QLineEdit *fn1_ = nullptr;
    QLineEdit *fn2_ = nullptr;
    QLabel *l2_ = nullptr;
};
