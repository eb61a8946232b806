#pragma once
// The tuning service: the boxes of the manual tuning, the tune command with
// its carrier verdict, and the demultiplexer's PIDs. The tuning window shows
// and edits its boxes; the channels list editor and the SI capture tune and
// set PIDs through it, with or without the window.
#include "link/channel.h"
#include "tune/tune_command.h"

#include <QObject>
#include <functional>

constexpr int kChannelPidsPauseMs = 500;   // between the audio and the video PID

struct TuneResult {
    bool sent = false;   // a tune command went out (index 0)
    QString reply;
    bool carrier = false;   // the reply is the prefix followed by "0"
};

class TuneService : public QObject {
    Q_OBJECT
public:
    TuneService(CommandChannel &link, const Options &options, QObject *parent = nullptr);

    const TuneBoxes &boxes() const { return boxes_; }
    // The boxes as a user typed them; boxesChanged tells the window.
    void setBoxes(const TuneBoxes &boxes);
    // Back to the values the window starts with.
    void reset() { setBoxes(TuneBoxes{}); }

    // The tuning window's buttons: 0 TUNE, 1 V-PID, 2 A-PID, 3 Text, 4 PCR;
    // another index only corrects the boxes, which every press brings into
    // range first. A tune shows its carrier verdict after the reply.
    TuneResult press(int index);
    // A channel change: PCR, audio, and after a pause video, unless goOn
    // says no by then (the window asking was closed).
    void setChannelPids(const std::function<bool()> &goOn = [] { return true; });
    // Before a channel change: video, audio and PCR PIDs off (FFFF), not shown.
    void clearChannelPids();
    // The code of the last tune, "070" or "071"; empty before the first.
    QString lastPrefix() const { return lastPrefix_; }

signals:
    void boxesChanged();
    // A tune's reply and its verdict, as the terminal shows them ("0700 : Carrier found.").
    void tuned(const QString &shown);

private:
    CommandChannel &link_;
    const Options &options_;
    TuneBoxes boxes_;
    QString lastPrefix_;
};
