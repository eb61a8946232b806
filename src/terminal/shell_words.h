#pragma once
#include <QString>
#include <QStringList>

// Splits text into words with a shell's quoting: blanks separate words,
// '...' keeps every character, "..." keeps all but the escapes \" \\ \$ \`,
// and a backslash outside quotes keeps the next character. False with error
// on an unclosed quote or a trailing backslash.
bool SplitShellWords(const QString &text, QStringList &words, QString &error);
