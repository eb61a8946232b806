#pragma once
// The questions of the channels list editor's edits, asked through the
// prompter one line at a time, so that a person fills in boxes and a script
// queues its answers. Each returns nullopt when a question was cancelled,
// or when an answer cannot be read (refusal says why).
#include "channels/channel_edit.h"
#include "link/prompts.h"

#include <optional>
#include <utility>

// Frequency in kHz, SR code, code rate and polarisation of transponder index.
std::optional<TransponderFields> AskTransponderFields(Prompter &prompter, const ChannelTables &tables, int index,
                                                      QString &refusal);
// Name, transponder (tp to start with) and the six numbers of the channel line.
std::optional<NewChannel> AskNewChannel(Prompter &prompter, int tp, QString &refusal);
// The names of the reference tables (both binary, or both .txt).
std::optional<std::pair<QString, QString>> AskReferenceNames(Prompter &prompter);

// The question before a load or a close over unsaved changes.
QString SaveFirstQuestion(const QString &tcsName, const QString &tptName);
QString RemoveTransponderQuestion(int tp, int channels);

// Says yes to every question and passes the rest on: the save a person
// asked for does not ask again whether to overwrite the files.
class AgreeingPrompter : public Prompter {
public:
    explicit AgreeingPrompter(Prompter &inner) : inner_(inner) {}
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &title, const QString &text) override { inner_.inform(title, text); }

private:
    Prompter &inner_;
};
