#include "channels/edit_questions.h"

#include "link/conversions.h"

#include <QRegularExpression>

namespace {

const QStringList kCodeRates = {"1/2", "2/3", "3/4", "4/5", "5/6", "7/8"};

// Asks the questions in turn, each answer read by its reader; stops at the
// first one cancelled or refused.
struct Questions {
    Prompter &prompter;
    QString title;
    QString &refusal;
    bool ok = true;

    template <class Read>
    void ask(const QString &label, const QString &initial, Read read)
    {
        if (!ok)
            return;
        const std::optional<QString> answer = prompter.askText(title, label, initial);
        ok = answer && read(answer->trimmed());
        if (answer && !ok && refusal.isEmpty())
            refusal = QStringLiteral("%1 \"%2\" cannot be read!").arg(label, *answer);
    }
};

bool readNumber(const QString &text, int base, qint64 highest, qint64 &value)
{
    bool ok = false;
    value = text.toLongLong(&ok, base);
    return ok && !text.startsWith('-') && !text.startsWith('+') && value <= highest;
}

}   // namespace

std::optional<TransponderFields> AskTransponderFields(Prompter &prompter, const ChannelTables &tables, int index,
                                                      QString &refusal)
{
    TransponderFields f = TransponderFieldsOf(tables, index);
    Questions q{prompter, QStringLiteral("Transponder %1").arg(Hex2(index + 1)), refusal};
    q.ask("Frequency (kHz):", QString::number(f.kHz),
          [&](const QString &a) { return readNumber(a, 10, 99999999, f.kHz); });
    q.ask("SR code (00 = 275000, 02 = 220000):", Hex2(f.sr), [&](const QString &a) {
        qint64 sr = 0;
        const bool read = readNumber(a, 16, 0xFF, sr);
        f.sr = int(sr);
        return read;
    });
    q.ask("Code rate (" + kCodeRates.join(", ") + "):", FecText(f.fec), [&](const QString &a) {
        f.fec = int(kCodeRates.indexOf(a));
        return f.fec >= 0;
    });
    q.ask("Polarisation (V or H):", f.horizontal ? "H" : "V", [&](const QString &a) {
        f.horizontal = a.compare("H", Qt::CaseInsensitive) == 0;
        return f.horizontal || a.compare("V", Qt::CaseInsensitive) == 0;
    });
    return q.ok ? std::optional(f) : std::nullopt;
}

std::optional<NewChannel> AskNewChannel(Prompter &prompter, int tp, QString &refusal)
{
    NewChannel c;
    Questions q{prompter, QStringLiteral("Add channel"), refusal};
    q.ask("Name:", QString(), [&](const QString &a) {
        c.name = a;
        refusal = NameRefusal(a);
        return refusal.isEmpty();
    });
    q.ask("Transponder (TP as listed):", Hex2(tp), [&](const QString &a) {
        qint64 n = 0;
        const bool read = readNumber(a, 16, 0xFF, n);
        c.tp = int(n);
        return read;
    });
    q.ask("SID VPID APID Vecm Aecm PCR (decimal, as the list shows them):", "00000 65535 65535 65535 65535 65535",
          [&](const QString &a) {
              const QStringList words = a.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
              int *fields[] = {&c.sid, &c.vpid, &c.apid, &c.vecm, &c.aecm, &c.pcr};
              if (words.size() != 6)
                  return false;
              for (int i = 0; i < 6; ++i) {
                  qint64 n = 0;
                  if (!readNumber(words[i], 10, 0xFFFF, n))
                      return false;
                  *fields[i] = int(n);
              }
              return true;
          });
    return q.ok ? std::optional(c) : std::nullopt;
}

std::optional<std::pair<QString, QString>> AskReferenceNames(Prompter &prompter)
{
    const std::optional<QString> tcs = prompter.askText("Order like", "Reference TCS file:", "TCS.ref");
    if (!tcs || tcs->trimmed().isEmpty())
        return std::nullopt;
    QString guess = tcs->trimmed();
    guess.replace("TCS", "TPT");
    const std::optional<QString> tpt = prompter.askText("Order like", "Reference TPT file:", guess);
    if (!tpt || tpt->trimmed().isEmpty())
        return std::nullopt;
    return std::pair(tcs->trimmed(), tpt->trimmed());
}

QString SaveFirstQuestion(const QString &tcsName, const QString &tptName)
{
    return QStringLiteral("The tables have unsaved changes. Save them to %1 and %2 first?").arg(tcsName, tptName);
}

QString RemoveTransponderQuestion(int tp, int channels)
{
    return QStringLiteral("%1 channels use transponder %2.\nOK removes them with it; Cancel keeps them, without a "
                          "transponder.")
        .arg(channels)
        .arg(Hex2(tp));
}
