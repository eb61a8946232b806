#pragma once
#include "link/prompts.h"

// Questions as modal message boxes, for the interactive program.
class MessageBoxPrompter : public Prompter {
public:
    bool confirm(const QString &title, const QString &text) override;
    void inform(const QString &title, const QString &text) override;
    std::optional<QString> askText(const QString &title, const QString &label, const QString &initial) override;
};
