// The SI sections of the simulated decoder, read back by a reader of their
// own and held against the satellite model; command 31 and fed sections.

#include "decoder.h"
#include "satellite.h"
#include "si_file.h"
#include "si_sections.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <map>
#include <poll.h>
#include <set>
#include <unistd.h>

using sim::Section;

namespace {

uint16_t be16(const Section &s, size_t at) { return uint16_t(s[at] << 8 | s[at + 1]); }
size_t length12(const Section &s, size_t at) { return be16(s, at) & 0x0FFFu; }
uint16_t pid13(const Section &s, size_t at) { return be16(s, at) & 0x1FFFu; }

struct Descriptor {
    uint8_t tag;
    Section body;
};
using Descriptors = std::vector<Descriptor>;

// The descriptor loop whose 12-bit length is at `at`; a descriptor running past it ends the loop.
Descriptors descriptorLoop(const Section &s, size_t at)
{
    Descriptors out;
    const size_t end = at + 2 + length12(s, at);
    for (size_t d = at + 2; d + 2 <= end && d + 2 + s[d + 1] <= end; d += 2 + s[d + 1])
        out.push_back({s[d], Section(s.begin() + long(d) + 2, s.begin() + long(d) + 2 + s[d + 1])});
    return out;
}

bool hasTag(const Descriptors &ds, uint8_t tag)
{
    return std::any_of(ds.begin(), ds.end(), [&](const Descriptor &d) { return d.tag == tag; });
}

struct ListedService {
    uint16_t sid;
    bool freeCa;
    int running;
    uint8_t type;
    std::string provider, name;
};

// The services of the SDT sections; provider and name as coded, character table selector included.
std::vector<ListedService> listedServices(const std::vector<Section> &sections)
{
    std::vector<ListedService> out;
    for (const Section &s : sections)
        for (size_t i = 11; s[0] == 0x42 && i + 5 <= s.size() - 4; i += 5 + length12(s, i + 3)) {
            ListedService e{be16(s, i), (s[i + 3] & 0x10) != 0, s[i + 3] >> 5, 0, {}, {}};
            for (const Descriptor &d : descriptorLoop(s, i + 3))
                if (d.tag == 0x48) {
                    const auto p = d.body.begin() + 2 + d.body[1];
                    e.type = d.body[0];
                    e.provider.assign(d.body.begin() + 2, p);
                    e.name.assign(p + 1, p + 1 + *p);
                }
            out.push_back(e);
        }
    return out;
}

std::string plainName(const std::string &coded)
{
    return coded[0] == 0x10 ? coded.substr(3) : uint8_t(coded[0]) < 0x20 ? coded.substr(1) : coded;
}

// Size, section length, long form, current, CRC residue; numbers and last number of each table.
void checkSections(const std::vector<Section> &sections)
{
    std::map<uint8_t, int> count, n;
    for (const Section &s : sections) {
        QVERIFY(s.size() <= sim::kMaxSectionSize && (s[1] & 0x80) && (s[5] & 0x01));
        QCOMPARE(length12(s, 1) + 3, s.size());
        QCOMPARE(sim::sectionCrc(s), 0u);
        ++count[s[0]];
    }
    for (const Section &s : sections)
        QVERIFY(s[0] == 0x02 ? s[6] == 0 && s[7] == 0 : s[6] == n[s[0]]++ && s[7] == count[s[0]] - 1);
}

// The PMT against service s: PCR, elementary streams, CA system -> ECM PIDs; notes in seen what it holds
// beyond what the model implies.
void checkProgramMap(const Section &m, const sim::Service &s, std::set<QString> &seen)
{
    QCOMPARE(be16(m, 3), s.sid);
    QCOMPARE(pid13(m, 8), s.pcrPid);
    Descriptors all = descriptorLoop(m, 10);
    if (hasTag(all, 0x09))
        seen.insert("CA per programme");
    std::map<uint16_t, std::pair<uint8_t, Descriptors>> streams;   // by PID: type, descriptors
    for (size_t i = 12 + length12(m, 10); i + 5 <= m.size() - 4; i += 5 + length12(m, i + 3))
        streams[pid13(m, i + 1)] = {m[i], descriptorLoop(m, i + 3)};
    const auto is = [&](uint16_t pid, uint8_t t1, uint8_t t2, uint8_t tag) {
        return !pid
            || (streams.count(pid) && (streams[pid].first == t1 || streams[pid].first == t2)
                && hasTag(streams[pid].second, tag));
    };
    QVERIFY(is(s.videoPid, 1, 2, 0x52) && is(s.audioPid, 3, 4, 0x0A) && is(s.teletextPid, 6, 6, 0x56));
    const std::set<uint8_t> decoded = {0x09, 0x0A, 0x52, 0x56, 0xC1, 0xC2, 0xC3};
    for (const auto &[pid, stream] : streams) {
        const auto &[type, ds] = stream;
        QVERIFY((s.kind != sim::ServiceKind::Radio || type == 3 || type == 4)
                && (s.kind != sim::ServiceKind::Data || type == 5 || type == 6 || type >= 0x80));
        if (type >= 0x80 && hasTag(ds, 0xC1) && hasTag(ds, 0xC2) && hasTag(ds, 0xC3))
            seen.insert("private, guide");
        if (type >= 0x80
            && std::any_of(ds.begin(), ds.end(), [&](const Descriptor &d) { return !decoded.count(d.tag); }))
            seen.insert("private, unknown");
        if (hasTag(ds, 0x09))
            seen.insert("CA per stream");
        all.insert(all.end(), ds.begin(), ds.end());
    }
    // MedGrd (01xx) names one ECM PID per 15-byte record.
    std::map<uint16_t, std::set<uint16_t>> got, expected;
    for (const Descriptor &d : all) {
        const uint16_t system = d.tag == 0x09 ? be16(d.body, 0) : 0;
        const size_t records = system >> 8 == 0x01 && (d.body.size() - 2) % 15 == 0 ? (d.body.size() - 2) / 15 : 0;
        if (d.tag == 0x09 && !records)
            got[system].insert(pid13(d.body, 2));
        for (size_t r = 0; r < records; ++r) {
            got[system].insert(pid13(d.body, 2 + 15 * r));
            seen.insert({QString("MedGrd %1 records").arg(records),
                         d.body[6 + 15 * r] > 0x7F ? "MedGrd packages" : "MedGrd pay per view"});
        }
    }
    for (size_t i = 0; i < s.caSystems.size(); ++i)
        expected[s.caSystems[i]].insert(uint16_t(s.ecmPid + i));
    QCOMPARE(got, expected);
}

void checkNetwork(const std::vector<Section> &sections, const sim::Satellite &sat)
{
    size_t listed = 0;
    for (const Section &s : sections) {
        if (s[0] != 0x40)
            continue;
        QCOMPARE(be16(s, 3), sat.networkId);
        const Descriptors network = descriptorLoop(s, 8);
        QVERIFY(network.size() == 1 && network[0].tag == 0x40
                && std::string(network[0].body.begin(), network[0].body.end()) == sat.networkName);
        const size_t loop = 10 + length12(s, 8);
        for (size_t i = loop + 2; i < loop + 2 + length12(s, loop); i += 6 + length12(s, i + 4)) {
            const Descriptors ds = descriptorLoop(s, i + 4);
            QVERIFY(!ds.empty() && ds[0].tag == 0x43 && ds[0].body.size() == 11 && listed < sat.transponders.size());
            const sim::Transponder &model = sat.transponders[listed++];
            const uint32_t frequencyBcd = uint32_t(be16(ds[0].body, 0)) << 16 | be16(ds[0].body, 2);   // 10 kHz units
            QCOMPARE(be16(s, i), model.tsid);
            QCOMPARE(QString::number(frequencyBcd, 16), QString::number(model.frequencyKHz / 10));
        }
    }
    QCOMPARE(listed, sat.transponders.size());
}

}   // namespace

class SiSectionsTest : public QObject {
    Q_OBJECT

private slots:
    void crcKnownValues()
    {
        const auto crc = [](const char *text, size_t n) {
            return sim::sectionCrc(reinterpret_cast<const uint8_t *>(text), n);
        };
        QCOMPARE(crc("123456789", 9), 0x0376E6E7u);
        QCOMPARE(crc("", 0), 0xFFFFFFFFu);
        QCOMPARE(crc("", 1), 0x4E08BFB4u);   // one zero byte
    }

    // Every transponder against the model, noting what kinds of content the satellite holds.
    void transponders()
    {
        const auto &sat = sim::defaultSatellite();
        std::set<QString> seen;
        for (const sim::Transponder &tp : sat.transponders) {
            const auto sections = sim::transponderSections(sat, tp, sim::Decoder::kMaxSiReplyLength - 4);
            checkSections(sections);
            checkNetwork(sections, sat);
            QString order;
            for (const Section &s : sections)
                order += s[0] == 0x42 ? 'S' : s[0] == 0x02 ? 'P' : s[0] == 0x40 ? 'N' : '?';
            QCOMPARE(order,
                     QString(order.count('S'), 'S') + QString(int(tp.services.size()), 'P')
                         + QString(order.count('N'), 'N'));
            const auto listed = listedServices(sections);
            QCOMPARE(listed.size(), tp.services.size());
            for (size_t k = 0; k < listed.size() && !QTest::currentTestFailed(); ++k) {
                const sim::Service &s = tp.services[k];
                const ListedService &e = listed[k];
                QVERIFY(e.sid == s.sid && e.freeCa == s.scrambled && (e.running == 4 || e.running == 1));
                QCOMPARE(e.type,
                         uint8_t(s.kind == sim::ServiceKind::Tv          ? 1
                                     : s.kind == sim::ServiceKind::Radio ? 2
                                                                         : 0x0C));
                QCOMPARE(plainName(e.provider), s.provider);
                QCOMPARE(plainName(e.name), s.name);
                if (e.name != s.name)
                    seen.insert(QString("table %1").arg(int(uint8_t(e.name[0]))));
                checkProgramMap(sections[size_t(order.indexOf('P')) + k], s, seen);
            }
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QString("transponder %1").arg(tp.frequencyKHz)));
        }
        QCOMPARE(QStringList(seen.begin(), seen.end()).join(','),
                 "CA per programme,CA per stream,MedGrd 1 records,MedGrd 2 records,MedGrd packages,"
                 "MedGrd pay per view,private, guide,private, unknown,table 16,table 5");
    }

    void longServiceListSpreadsOverSections()
    {
        sim::Transponder tp = sim::defaultSatellite().transponders.front();
        for (int k = 0; k < 40; ++k) {
            tp.services.push_back(tp.services.front());
            tp.services.back().name += " with a long name " + std::to_string(k);
        }
        const auto sections = sim::serviceDescriptionSections(tp);
        QVERIFY(sections.size() > 1);
        checkSections(sections);
        const auto listed = listedServices(sections);
        QCOMPARE(listed.size(), tp.services.size());
        QCOMPARE(plainName(listed.back().name), tp.services.back().name);
    }

    void programMapsGiveWayToTheReplyLimit()
    {
        const auto &sat = sim::defaultSatellite();
        const auto &tp = sat.transponders.front();
        size_t budget = sim::sectionLinesLength(sim::serviceDescriptionSections(tp))
            + sim::sectionLinesLength(sim::networkInformationSections(sat));
        for (size_t maps = 0; maps <= tp.services.size(); ++maps) {
            const auto sections = sim::transponderSections(sat, tp, budget + 1);   // one short of the next map
            QCOMPARE(std::count_if(sections.begin(), sections.end(), [](const Section &s) { return s[0] == 2; }),
                     long(maps));
            QCOMPARE(sections.back()[0], uint8_t(0x40));
            if (maps < tp.services.size())
                budget += sim::sectionLinesLength({sim::programMapSection(tp.services[maps])});
        }
    }

    // Fed sections untuned are sectionFile's; the reply ends in LF only when it carries sections.
    void command31_data()
    {
        QTest::addColumn<bool>("fed");   // the decoder fed one section, AB
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("reply");   // to the last command; "*": the second transponder's sections
        const QString noCarrier = "070097900022750001002 ";
        QTest::newRow("not tuned") << false << "310"
                                   << "3101";
        QTest::newRow("no carrier") << false << noCarrier + "310"
                                    << "3101";
        QTest::newRow("other form") << false << "070097900022750002002 3100"
                                    << "31E";
        QTest::newRow("tuned") << false << "070102425022750001002 310"
                               << "*";
        QTest::newRow("fed, tuned off") << true << noCarrier + "310"
                                        << "3101";
    }
    void command31()
    {
        QFETCH(bool, fed);
        QFETCH(QString, commands);
        QFETCH(QString, reply);
        sim::DecoderConfig config;
        if (fed)
            config.fedSections = {{0xAB}};
        sim::Decoder d(config);
        sim::Reply r;
        for (const QString &command : commands.split(' '))
            r = d.execute(command.toStdString());
        const auto &sat = sim::defaultSatellite();
        if (reply == "*")
            reply = QString::fromStdString(
                "310" + sim::sectionLines(sim::transponderSections(sat, sat.transponders[1], 32762)));
        QCOMPARE(QString::fromStdString(r.text), reply);
        QCOMPARE(r.terminator, reply.size() > 4 ? '\n' : '\r');   // LF only after sections
    }

    void sectionFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("outcome");   // the sections, or the error
        QTest::newRow("comments, blanks, CR LF")
            << QByteArray("# capture\r\n\n  42f0 0A\r\n\t# note\nAB\n") << "42F00A AB";
        QTest::newRow("no line end") << QByteArray("00") << "00";
        QTest::newRow("odd digits") << QByteArray("42F00A\n42F\n") << "line 2: odd number of hexadecimal digits";
        QTest::newRow("not hex") << QByteArray("\n42G0\n") << "line 2: 'G' is not a hexadecimal digit";
        QTest::newRow("only comments") << QByteArray("# none\n\n") << "no sections";
    }
    void sectionFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, outcome);
        std::string error;
        const auto sections = sim::parseSectionText(text.toStdString(), error);
        QCOMPARE(QString::fromStdString(sections ? sim::sectionLines(*sections) : error).trimmed().replace('\r', ' '),
                 outcome);
        // The program refuses a bad file at start, and sends a good one untuned, one LF in place of the last CR.
        QTemporaryDir dir;
        QFile f(dir.filePath("sections.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        f.close();
        QProcess program;
        program.start(qEnvironmentVariable("KESTREL_SIM"), {"--si-file", f.fileName()});
        if (!sections) {
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitCode(), 2);
            QVERIFY(program.readAllStandardError().contains(outcome.toUtf8()));
            return;
        }
        QVERIFY(program.waitForReadyRead(20000));
        const int fd = ::open(program.readLine().trimmed().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "310\r", 4), ssize_t(4));
        QByteArray reply;
        pollfd ready{fd, POLLIN, 0};
        char buffer[256];
        for (ssize_t n = 1; n > 0 && !reply.endsWith('\n') && ::poll(&ready, 1, 20000) > 0;)
            reply.append(buffer, int(n = std::max<ssize_t>(0, ::read(fd, buffer, sizeof buffer))));
        ::close(fd);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(reply, "310" + outcome.replace(' ', '\r').toUtf8() + "\r\n");
    }
};

QTEST_GUILESS_MAIN(SiSectionsTest)
#include "test_si_sections.moc"
