// The edits of the channels list editor: the find box, the editing keys of
// the two lists, dragging channels, the edit buttons, undo and redo. Each
// edit is a function of the channel edit library on the tables, run as one
// step of the history.
#include "channels/channels_editor_window.h"
#include "channels/edit_questions.h"
#include "link/conversions.h"
#include "link/link.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QAction>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char *const kSortCaptions[3] = {"By name", "By transponder, then SID", "By SID"};
const ChannelOrder kSortOrders[3] = {ChannelOrder::Name, ChannelOrder::Transponder, ChannelOrder::Sid};

QToolButton *ActionButton(QWidget *parent, QAction *action)
{
    auto *button = new QToolButton(parent);
    button->setDefaultAction(action);
    return button;
}

}   // namespace

void ChannelsEditorWindow::buildEditControls(QVBoxLayout *frame, QGridLayout *buttons)
{
    QWidget *parent = frame->parentWidget();
    auto *row = new QHBoxLayout;
    row->addWidget(NamedLabel(parent, "L_Find", "Find:"));
    find_ = NamedLineEdit(parent, "Txt_Find", QString());
    find_->setToolTip("Shows the channels whose name holds the text, or whose SID it is");
    find_->setClearButtonEnabled(true);
    row->addWidget(find_, 1);
    connect(find_, &QLineEdit::textChanged, this, [this] { relistTables(); });

    auto *sort = NamedButton(this, "Cmd_Sort", "Sort...");
    auto *menu = new QMenu(sort);
    for (int i = 0; i < 3; ++i) {
        QAction *by = menu->addAction(kSortCaptions[i]);
        by->setObjectName(IndexedName("Mnu_Sort", i));
        connect(by, &QAction::triggered, this, [this, i] { sortChannels(kSortOrders[i]); });
    }
    // The menu pops up without a loop of its own, so a script's click returns at once.
    connect(sort, &QPushButton::clicked, menu,
            [sort, menu] { menu->popup(sort->mapToGlobal(QPoint(0, sort->height()))); });
    const std::pair<const char *, const char *> names[] = {
        {"Cmd_Dup", "Select duplicates"}, {"Cmd_Order", "Order like..."}, {"Cmd_Add", "Add..."}};
    const std::function<void()> clicks[] = {[this] { selectDuplicates(); }, [this] { orderLike(); },
                                            [this] { addChannel(); }};
    const int line = buttons->rowCount();
    buttons->addWidget(sort, line, 0);
    for (int i = 0; i < 3; ++i) {
        auto *button = NamedButton(this, names[i].first, names[i].second);
        connect(button, &QPushButton::clicked, this, clicks[i]);
        buttons->addWidget(button, line, i + 1);
    }

    undo_ = new QAction("Undo", this);
    undo_->setObjectName("Act_Undo");
    undo_->setShortcut(QKeySequence("Ctrl+Z"));
    undo_->setToolTip("Undo the last edit, scan or load (Ctrl+Z)");
    redo_ = new QAction("Redo", this);
    redo_->setObjectName("Act_Redo");
    redo_->setShortcut(QKeySequence("Ctrl+Shift+Z"));
    redo_->setToolTip("Redo what was undone (Ctrl+Shift+Z)");
    for (QAction *action : {undo_, redo_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        row->addWidget(ActionButton(parent, action));
    }
    connect(undo_, &QAction::triggered, this, [this] { undo(); });
    connect(redo_, &QAction::triggered, this, [this] { redo(); });
    changes_ = NamedLabel(parent, "L_Changes", QString());
    changes_->setMinimumWidth(changes_->fontMetrics().horizontalAdvance("Unsaved changes") + 8);
    row->addWidget(changes_);
    frame->insertLayout(0, row);

    lTcs_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lTcs_->setDragDropMode(QAbstractItemView::InternalMove);
    lTcs_->setDefaultDropAction(Qt::MoveAction);
    lTcs_->setToolTip(lTcs_->toolTip()
                      + "\nDel removes, F2 renames, Ctrl+Up/Down or a drag moves the selected channels");
    lTpt_->setToolTip(lTpt_->toolTip() + "\nDel removes, F2 edits, Ctrl+Up/Down moves the selected transponder");
    for (QWidget *watched : {static_cast<QWidget *>(lTcs_), static_cast<QWidget *>(lTpt_), lTcs_->viewport()})
        watched->installEventFilter(this);
}

bool ChannelsEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lTcs_->viewport() && event->type() == QEvent::Drop) {
        // The tables move the channels; the list only shows where they went.
        auto *drop = static_cast<QDropEvent *>(event);
        const QPoint at = drop->position().toPoint();
        const QModelIndex index = lTcs_->indexAt(at);
        int row = index.isValid() ? index.row() : int(shown_.size());
        if (index.isValid() && at.y() > lTcs_->visualRect(index).center().y())
            ++row;
        const int before = row < shown_.size() ? shown_[row] : (shown_.isEmpty() ? 0 : shown_.back() + 1);
        const QList<int> records = selectedChannels();
        QTimer::singleShot(0, this, [this, records, before] { dropChannels(records, before); });
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress || (watched != lTcs_ && watched != lTpt_))
        return ToolWindow::eventFilter(watched, event);
    struct KeyEdit {
        QListWidget *list;
        QKeyCombination key;
        std::function<void()> edit;
    };
    const KeyEdit edits[] = {
        {lTcs_, Qt::Key_Delete, [this] { removeChannels(); }},
        {lTcs_, Qt::CTRL | Qt::Key_Up, [this] { moveChannels(-1); }},
        {lTcs_, Qt::CTRL | Qt::Key_Down, [this] { moveChannels(1); }},
        {lTcs_, Qt::Key_F2, [this] { renameChannel(); }},
        {lTpt_, Qt::Key_Delete, [this] { removeTransponder(); }},
        {lTpt_, Qt::CTRL | Qt::Key_Up, [this] { moveTransponder(-1); }},
        {lTpt_, Qt::CTRL | Qt::Key_Down, [this] { moveTransponder(1); }},
        {lTpt_, Qt::Key_F2, [this] { editTransponder(); }},
    };
    const auto *key = static_cast<QKeyEvent *>(event);
    const QKeyCombination pressed(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key()));
    for (const KeyEdit &e : edits) {
        if (e.list == watched && e.key == pressed) {
            e.edit();
            return true;
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

bool ChannelsEditorWindow::editable() { return !link().linkBusy() && !isClosing(); }

void ChannelsEditorWindow::applyEdit(const std::function<Selection()> &change)
{
    if (!editable())
        return;
    const auto before = std::make_unique<ChannelTables>(tables);
    const Selection select = change();
    history_.record(*before, tables);
    relistTables(select);
}

void ChannelsEditorWindow::updateChanges()
{
    changes_->setText(history_.modified(tables) ? "Unsaved changes" : QString());
    undo_->setEnabled(history_.canUndo());
    redo_->setEnabled(history_.canRedo());
}

int ChannelsEditorWindow::currentChannel() const
{
    const int row = lTcs_->currentRow();
    return row >= 0 && row < shown_.size() ? shown_[row] : -1;
}

QList<int> ChannelsEditorWindow::selectedChannels() const
{
    QList<int> records;
    for (const QModelIndex &index : lTcs_->selectionModel()->selectedRows())
        if (index.row() < shown_.size())
            records << shown_[index.row()];
    if (records.isEmpty() && currentChannel() >= 0)
        records << currentChannel();
    std::sort(records.begin(), records.end());
    return records;
}

void ChannelsEditorWindow::removeChannels()
{
    const QList<int> records = selectedChannels();
    if (records.isEmpty())
        return;
    applyEdit([&] {
        RemoveChannels(tables, records);
        // The line after the last one removed takes its place.
        const int next = records.back() + 1 - int(records.size());
        return Selection{{std::min(next, int(tables.TcsCount) - 1)}};
    });
}

void ChannelsEditorWindow::moveChannels(int step)
{
    const QList<int> records = selectedChannels();
    if (!records.isEmpty())
        applyEdit([&] { return Selection{StepChannels(tables, shown_, records, step)}; });
}

void ChannelsEditorWindow::dropChannels(const QList<int> &records, int before)
{
    if (!records.isEmpty())
        applyEdit([&] { return Selection{MoveChannels(tables, records, before)}; });
}

void ChannelsEditorWindow::renameChannel()
{
    const int record = currentChannel();
    if (record < 0 || !editable())
        return;
    const std::optional<QString> name =
        session_.prompter->askText("Rename channel", "Name (16 characters at most):", ChannelName(tables, record));
    if (!name)
        return;
    applyEdit([&] {
        l2_->setText(RenameChannel(tables, record, *name));
        return Selection{{record}};
    });
}

void ChannelsEditorWindow::addChannel()
{
    if (!editable())
        return;
    const int current = currentChannel();
    const int tp = lTpt_->currentRow() >= 0 ? lTpt_->currentRow() + 1 : 1;
    QString refusal;
    const std::optional<NewChannel> channel = AskNewChannel(*session_.prompter, tp, refusal);
    l2_->setText(refusal);
    if (!channel)
        return;
    const int at = current >= 0 && !IsPadding(tables, current) ? current + 1 : EndOfChannels(tables);
    applyEdit([&] {
        const QString why = AddChannel(tables, at, *channel);
        l2_->setText(why);
        return why.isEmpty() ? Selection{{std::min(at, int(tables.TcsCount) - 1)}} : Selection{{current}};
    });
}

void ChannelsEditorWindow::sortChannels(ChannelOrder by)
{
    applyEdit([&] {
        SortChannels(tables, shown_, by);
        return Selection{};
    });
}

void ChannelsEditorWindow::selectDuplicates()
{
    const QList<int> duplicates = DuplicateChannels(tables, shown_);
    relistTables({duplicates});
    l2_->setText(QStringLiteral("%1 duplicates selected.").arg(duplicates.size()));
}

void ChannelsEditorWindow::orderLike()
{
    if (!editable())
        return;
    const std::optional<std::pair<QString, QString>> names = AskReferenceNames(*session_.prompter);
    if (!names)
        return;
    const auto reference = std::make_unique<ChannelTables>();
    const TableResult loaded = LoadReference(*reference, names->first, names->second);
    if (!loaded.relist) {
        l2_->setText(loaded.status);
        return;
    }
    applyEdit([&] {
        const int matched = OrderLike(tables, shown_, *reference);
        const auto channels = std::count_if(shown_.begin(), shown_.end(), [&](int r) { return !IsPadding(tables, r); });
        l2_->setText(OrderLikeSummary(names->first, matched, int(channels)));
        return Selection{};
    });
}

void ChannelsEditorWindow::removeTransponder()
{
    const int index = lTpt_->currentRow();
    if (index < 0 || !editable())
        return;
    const int channels = ChannelsOnTransponder(tables, index);
    const bool withChannels = channels > 0
        && session_.prompter->confirm("Remove transponder", RemoveTransponderQuestion(index + 1, channels));
    applyEdit([&] {
        RemoveTransponder(tables, index, withChannels);
        return Selection{{}, std::min(index, tables.TptCount - 1)};
    });
}

void ChannelsEditorWindow::moveTransponder(int step)
{
    const int index = lTpt_->currentRow();
    if (index < 0 || index + step < 0 || index + step >= tables.TptCount)
        return;
    applyEdit([&] {
        MoveTransponder(tables, index, index + step);
        return Selection{{}, index + step};
    });
}

void ChannelsEditorWindow::editTransponder()
{
    const int index = lTpt_->currentRow();
    if (index < 0 || !editable())
        return;
    QString refusal;
    const std::optional<TransponderFields> fields = AskTransponderFields(*session_.prompter, tables, index, refusal);
    l2_->setText(refusal);
    if (!fields)
        return;
    applyEdit([&] {
        l2_->setText(SetTransponder(tables, index, *fields));
        return Selection{{}, index};
    });
}

void ChannelsEditorWindow::undo()
{
    const Selection keep{{currentChannel()}, lTpt_->currentRow()};
    if (editable() && history_.undo(tables))
        relistTables(keep);
}

void ChannelsEditorWindow::redo()
{
    const Selection keep{{currentChannel()}, lTpt_->currentRow()};
    if (editable() && history_.redo(tables))
        relistTables(keep);
}
