#include "tune/tune_service.h"

namespace {

bool operator==(const TuneBoxes &a, const TuneBoxes &b)
{
    return a.frequency == b.frequency && a.symbolRate == b.symbolRate && a.diseqc == b.diseqc && a.pids == b.pids
        && a.autoSwitch == b.autoSwitch && a.highOscillator == b.highOscillator && a.horizontal == b.horizontal
        && a.fec == b.fec;
}

}   // namespace

TuneService::TuneService(CommandChannel &link, const Options &options, QObject *parent)
    : QObject(parent), link_(link), options_(options)
{}

void TuneService::setBoxes(const TuneBoxes &boxes)
{
    if (boxes == boxes_)
        return;
    boxes_ = boxes;
    emit boxesChanged();
}

TuneResult TuneService::press(int index)
{
    link_.SetCmdTimeout(kDemuxTimeoutMs);
    TuneBoxes corrected = boxes_;
    CorrectTuneBoxes(corrected);
    setBoxes(corrected);
    TuneResult result;
    if (index >= 1 && index <= 4) {
        link_.SendCmd(DemuxCommand(boxes_, index), true);
    } else if (index == 0) {
        link_.SetCmdTimeout(kTuneTimeoutMs);
        lastPrefix_ = TunePrefix(options_.Tmd);
        result.sent = true;
        result.reply = link_.SendCmd(TuneCommand(boxes_, options_.Tmd), true);
        result.carrier = result.reply.left(4) == lastPrefix_ + '0';
        const QString verdict = CarrierVerdict(result.reply, lastPrefix_);
        if (!verdict.isEmpty())
            link_.appendToDisplay(verdict);
        emit tuned(result.reply.isEmpty() ? QStringLiteral("No reply!") : result.reply + verdict);
    }
    return result;
}

void TuneService::setChannelPids(const std::function<bool()> &goOn)
{
    press(4);
    press(2);
    link_.Wait(kChannelPidsPauseMs);
    if (goOn())
        press(1);
}

void TuneService::clearChannelPids()
{
    for (const char *off : {"090FFFF", "091FFFF", "094FFFF"})
        link_.SendCmd(off, false);
}
