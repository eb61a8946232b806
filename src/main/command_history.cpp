#include "main/command_history.h"

namespace {

bool Keepable(const QString &command)
{
    return !command.trimmed().isEmpty() && !command.contains(QLatin1String(kServiceAccessText), Qt::CaseInsensitive);
}

}   // namespace

CommandHistory::CommandHistory(QStringList entries) : entries_(std::move(entries))
{
    entries_.removeIf([](const QString &e) { return !Keepable(e); });
    if (entries_.size() > kLimit)
        entries_ = entries_.mid(entries_.size() - kLimit);
    position_ = entries_.size();
}

bool CommandHistory::add(const QString &command)
{
    position_ = entries_.size();
    if (!Keepable(command) || (!entries_.isEmpty() && entries_.constLast() == command))
        return false;
    entries_ << command;
    if (entries_.size() > kLimit)
        entries_.removeFirst();
    position_ = entries_.size();
    return true;
}

std::optional<QString> CommandHistory::older(const QString &current)
{
    if (position_ == 0)
        return std::nullopt;
    if (position_ == entries_.size()) {
        draft_ = current;
        // The box still shows the command just sent: the step goes past it.
        if (position_ > 1 && current == entries_.constLast())
            --position_;
    }
    return entries_[--position_];
}

std::optional<QString> CommandHistory::newer()
{
    if (position_ >= entries_.size())
        return std::nullopt;
    return ++position_ == entries_.size() ? draft_ : entries_[position_];
}
