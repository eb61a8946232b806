#include "terminal/shell_words.h"

bool SplitShellWords(const QString &text, QStringList &words, QString &error)
{
    words.clear();
    QString word;
    bool inWord = false;
    QChar quote;   // the open quote, or null
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == QLatin1Char('\\')) {
            if (++i == text.size()) {
                error = QStringLiteral("a backslash ends the text");
                return false;
            }
            const QChar next = text[i];
            // Within double quotes a backslash escapes only these.
            if (!quote.isNull() && !QStringLiteral("\"\\$`").contains(next))
                word += c;
            word += next;
            inWord = true;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull()) {
        error = QStringLiteral("unclosed quote %1").arg(quote);
        return false;
    }
    if (inWord)
        words << word;
    return true;
}
