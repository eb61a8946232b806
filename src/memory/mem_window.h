#pragma once
// The memory dump window DL_Mem: one 256-byte page of decoder memory at a
// time as bytes, words, double words or ST20 instructions, stepping from page
// to page, and saving a range of pages to a binary file ("MEM --> File").
#include "link/memread.h"
#include "ui/tool_window.h"
#include "memory/disassembler.h"
#include "memory/page_views.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class MemWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit MemWindow(Session &session);

    // Button actions by index: 0 "Read Page", 1 "--", 2 "+", 3 "MEM --> File".
    // Ignored while a transaction or another operation runs.
    void Cmd_Click(int index);
    // STOP: asks the running action to stop at its next page.
    void Cmd_Stop_Click() { StopFlag = true; }
    // View choice by index (MemView); shows the held page again without reading.
    void O1_Click(int index);

    Page PageBuf{};           // the page last read; transfer buffer of "MEM --> File"
    bool PageValid = false;   // a page was read successfully since the window opened
    DisasmState Disasm;       // Oreg and KeepOreg of the ST20 view

private:
    void normaliseBoxes();
    void stepPage(int delta);
    void readPage();
    void saveRange();
    void render();
    MemView view() const;

    QLineEdit *txtS_ = nullptr;
    QLineEdit *txtE_ = nullptr;
    QLineEdit *txtFile_ = nullptr;
    QPushButton *cmd_[4] = {};
    QPushButton *cmdStop_ = nullptr;
    QRadioButton *o1_[4] = {};
    QPlainTextEdit *txt_ = nullptr;
    QLabel *l2_ = nullptr;
};
