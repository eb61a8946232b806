#include "flash/data_flash_window.h"

#include "link/link.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DataFlashWindow::DataFlashWindow(Session &session) : ToolWindow(session, "DL_Eff", "Data Flash management")
{
    auto *layout = new QVBoxLayout(this);
    auto *f1 = NamedFrame(this, "F1", "Flash file name");
    auto *f1Layout = new QHBoxLayout(f1);
    txtFile_ = NamedLineEdit(f1, "Txt_File", "flash512k.bin");
    f1Layout->addWidget(txtFile_);
    layout->addWidget(f1);
    cmdExt_ = NamedButton(this, "Cmd_Ext", "Extract Directory from Flash file");
    layout->addWidget(cmdExt_);

    lst_ = NamedList(this, "Lst");
    // A whole line with its damage note, and at least ten rows.
    ShowLines(lst_, 52, 16);
    layout->addWidget(ColumnLabels(this, lst_,
                                   {{IndexedName("L1", 0), "Name", 0},
                                    {IndexedName("L1", 1), "Offset", 14},
                                    {IndexedName("L1", 2), "Length", 22}}));
    layout->addWidget(lst_, 1);

    cmdSave_ = NamedButton(this, "Cmd_Save", "Save selected file");
    cmdUpd_ = NamedButton(this, "Cmd_Upd", "Update TPT and TCS");
    cmdSave_->setEnabled(false);
    cmdUpd_->setEnabled(false);
    layout->addWidget(cmdSave_);
    auto *names = new QHBoxLayout;
    names->addWidget(NamedLabel(this, IndexedName("L1", 3), "TPT"));
    fn1_ = NamedLineEdit(this, "FN1", "TPT");
    names->addWidget(fn1_);
    names->addWidget(NamedLabel(this, IndexedName("L1", 4), "TCS"));
    fn2_ = NamedLineEdit(this, "FN2", "TCS");
    names->addWidget(fn2_);
    layout->addLayout(names);
    layout->addWidget(cmdUpd_);
    l2_ = NamedLabel(this, "L2", QString());
    l2_->setWordWrap(true);
    layout->addWidget(l2_);

    connect(cmdExt_, &QPushButton::clicked, this, &DataFlashWindow::Cmd_Ext_Click);
    connect(lst_, &QListWidget::currentRowChanged, this, &DataFlashWindow::Lst_Click);
    connect(cmdSave_, &QPushButton::clicked, this, &DataFlashWindow::Cmd_Save_Click);
    connect(cmdUpd_, &QPushButton::clicked, this, &DataFlashWindow::Cmd_Upd_Click);
    show();
}

void DataFlashWindow::EnableControls(bool flag) { cmdExt_->setEnabled(flag); }

void DataFlashWindow::Cmd_Ext_Click()
{
    // runAction holds the link's lease for the extraction, however it ends.
    runAction([this] { extract(); });
}

void DataFlashWindow::extract()
{
    EnableControls(false);
    cmdSave_->setEnabled(false);
    lst_->clear();
    rows_.clear();
    cmdUpd_->setEnabled(false);
    const QString name = txtFile_->text();
    l2_->setText("Reading " + name);
    QString why;
    qint64 fileSize = 0;
    if (!ReadDataImage(name, FlashImage, why, &fileSize)) {
        l2_->setText(why);
        EnableControls(true);
        return;
    }
    DirectoryListing listing = ListDirectory(FlashImage);
    listing.fileSize = fileSize;
    rows_ = std::move(listing.rows);
    for (const DirectoryRow &row : rows_)
        lst_->addItem(row.text);
    l2_->setText(ListingStatus(listing));
    EnableControls(true);
    cmdUpd_->setEnabled(true);
}

const DirectoryRow *DataFlashWindow::selectedRow() const
{
    const int row = lst_->currentRow();
    return row >= 0 && row < int(rows_.size()) ? &rows_[size_t(row)] : nullptr;
}

void DataFlashWindow::Lst_Click()
{
    const DirectoryRow *row = selectedRow();
    cmdSave_->setEnabled(row && row->isFile());
}

void DataFlashWindow::Cmd_Save_Click()
{
    if (const DirectoryRow *row = selectedRow())
        l2_->setText(SaveDirectoryFile(FlashImage, *row, *session_.prompter));
}

void DataFlashWindow::Cmd_Upd_Click()
{
    l2_->setText(UpdateTables(FlashImage, rows_, fn1_->text(), fn2_->text(), txtFile_->text(), *session_.prompter));
}
