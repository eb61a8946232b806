#pragma once
// The commands sent from the command box, oldest first, kept as a shell
// keeps them: Up walks back from the newest, Down forward again and past the
// newest to the text that was being typed.
#include <QString>
#include <QStringList>
#include <optional>

// The service-mode access text: the Enter button sends it; it is never kept.
#include "terminal/speed.h"

class CommandHistory {
public:
    static constexpr int kLimit = 500;
    explicit CommandHistory(QStringList entries = {});

    // Records a command sent; false when it is not kept: empty, the same as
    // the newest, or holding the access text. Ends any walk.
    bool add(const QString &command);
    // The entry before the one shown, or none at the oldest. current is what
    // the box shows; the first step back keeps it to come back to, and skips
    // the newest when the box shows that already.
    std::optional<QString> older(const QString &current);
    // The entry after the one shown, the kept text past the newest, or none
    // when no walk is under way.
    std::optional<QString> newer();
    const QStringList &entries() const { return entries_; }

private:
    QStringList entries_;
    qsizetype position_;   // entries_.size() while no walk is under way
    QString draft_;
};
