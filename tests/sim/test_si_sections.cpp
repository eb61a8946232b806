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

uint16_t be16(const Section& s, size_t at) { return uint16_t(s[at] << 8 | s[at + 1]); }
size_t length12(const Section& s, size_t at) { return be16(s, at) & 0x0FFFu; }
uint16_t pid13(const Section& s, size_t at) { return be16(s, at) & 0x1FFFu; }

struct Descriptor { uint8_t tag; Section body; };
using Descriptors = std::vector<Descriptor>;

// The descriptor loop whose 12-bit length is at `at`; a descriptor running past it ends the loop.
Descriptors descriptorLoop(const Section& s, size_t at)
{
    Descriptors out;
    const size_t end = at + 2 + length12(s, at);
    for (size_t d = at + 2; d + 2 <= end && d + 2 + s[d + 1] <= end; d += 2 + s[d + 1])
        out.push_back({s[d], Section(s.begin() + long(d) + 2, s.begin() + long(d) + 2 + s[d + 1])});
    return out;
}

bool hasTag(const Descriptors& ds, uint8_t tag)
{
    return std::any_of(ds.begin(), ds.end(), [&](const Descriptor& d) { return d.tag == tag; });
}

struct ListedService {
    uint16_t sid;
    bool freeCa;
    int running;
    uint8_t type = 0;
    std::string provider, name;  // as coded, character table selector included
};

std::vector<ListedService> listedServices(const std::vector<Section>& sections)
{
    std::vector<ListedService> out;
    for (const Section& s : sections)
        for (size_t i = 11; s[0] == 0x42 && i + 5 <= s.size() - 4; i += 5 + length12(s, i + 3)) {
            ListedService e{be16(s, i), (s[i + 3] & 0x10) != 0, s[i + 3] >> 5, 0, {}, {}};
            for (const Descriptor& d : descriptorLoop(s, i + 3))
                if (d.tag == 0x48) {
                    const size_t p = d.body[1];
                    e.type = d.body[0];
                    e.provider.assign(d.body.begin() + 2, d.body.begin() + 2 + long(p));
                    e.name.assign(d.body.begin() + 3 + long(p), d.body.begin() + 3 + long(p) + d.body[2 + p]);
                }
            out.push_back(e);
        }
    return out;
}

std::string plainName(const std::string& coded)
{
    return coded[0] == 0x10 ? coded.substr(3) : uint8_t(coded[0]) < 0x20 ? coded.substr(1) : coded;
}

struct ProgramMap {
    uint16_t pcr;
    Descriptors programLevel;
    std::map<uint16_t, std::pair<uint8_t, Descriptors>> streams;  // by PID: type, descriptors
};

ProgramMap programMap(const Section& s)
{
    ProgramMap p{pid13(s, 8), descriptorLoop(s, 10), {}};
    for (size_t i = 12 + length12(s, 10); i + 5 <= s.size() - 4; i += 5 + length12(s, i + 3))
        p.streams[pid13(s, i + 1)] = {s[i], descriptorLoop(s, i + 3)};
    return p;
}

// CA system id -> ECM PIDs named, from the programme and its streams; MedGrd names one per 15-byte record.
std::map<uint16_t, std::set<uint16_t>> caSystems(const ProgramMap& p, std::set<QString>& seen)
{
    Descriptors all = p.programLevel;
    for (const auto& stream : p.streams)
        all.insert(all.end(), stream.second.second.begin(), stream.second.second.end());
    std::map<uint16_t, std::set<uint16_t>> out;
    for (const Descriptor& d : all) {
        const uint16_t system = d.tag == 0x09 ? be16(d.body, 0) : 0;
        const size_t records = system >> 8 == 0x01 && (d.body.size() - 2) % 15 == 0 ? (d.body.size() - 2) / 15 : 0;
        if (d.tag == 0x09)
            seen.insert(QString("CA %1").arg(system >> 8, 2, 16, QChar('0')));
        if (d.tag == 0x09 && records == 0)
            out[system].insert(pid13(d.body, 2));
        for (size_t r = 0; r < records; ++r) {
            out[system].insert(pid13(d.body, 2 + 15 * r));
            seen.insert({QString("MedGrd %1 records").arg(records),
                         d.body[6 + 15 * r] > 0x7F ? "MedGrd packages" : "MedGrd pay per view"});
        }
    }
    return out;
}

void checkFraming(const Section& s)
{
    QVERIFY(s.size() <= sim::kMaxSectionSize);
    QCOMPARE(length12(s, 1) + 3, s.size());
    QVERIFY((s[1] & 0x80) && (s[5] & 0x01));  // long form, current
    QCOMPARE(sim::sectionCrc(s), 0u);
}

void checkNumbering(const std::vector<Section>& sections, uint8_t tableId)
{
    const auto count = std::count_if(sections.begin(), sections.end(),
                                     [&](const Section& s) { return s[0] == tableId; });
    long n = 0;
    for (const Section& s : sections)
        QVERIFY(s[0] != tableId || (s[6] == n++ && s[7] == count - 1));
}

void checkProgramMap(const ProgramMap& p, const sim::Service& s, std::set<QString>& seen)
{
    QCOMPARE(p.pcr, s.pcrPid);
    const auto typeOf = [&](uint16_t pid) { return p.streams.count(pid) ? p.streams.at(pid).first : 0; };
    const auto tagsOf = [&](uint16_t pid) { return p.streams.count(pid) ? p.streams.at(pid).second : Descriptors{}; };
    QVERIFY(!s.videoPid || ((typeOf(s.videoPid) == 1 || typeOf(s.videoPid) == 2) && hasTag(tagsOf(s.videoPid), 0x52)));
    QVERIFY(!s.audioPid || ((typeOf(s.audioPid) == 3 || typeOf(s.audioPid) == 4) && hasTag(tagsOf(s.audioPid), 0x0A)));
    QVERIFY(!s.teletextPid || (typeOf(s.teletextPid) == 6 && hasTag(tagsOf(s.teletextPid), 0x56)));
    const std::set<uint8_t> decoded = {0x09, 0x0A, 0x52, 0x56, 0xC1, 0xC2, 0xC3};
    for (const auto& [pid, stream] : p.streams) {
        const uint8_t type = stream.first;
        const Descriptors& ds = stream.second;
        QVERIFY(s.kind != sim::ServiceKind::Radio || type == 3 || type == 4);
        QVERIFY(s.kind != sim::ServiceKind::Data || type == 5 || type == 6 || type >= 0x80);
        const bool unknown =
            std::any_of(ds.begin(), ds.end(), [&](const Descriptor& d) { return !decoded.count(d.tag); });
        const bool guide = hasTag(ds, 0xC1) && hasTag(ds, 0xC2) && hasTag(ds, 0xC3);
        if (type >= 0x80)
            seen.insert(guide ? "private, guide" : unknown ? "private, unknown" : "private");
        if (hasTag(ds, 0x09))
            seen.insert("CA per stream");
    }
    if (hasTag(p.programLevel, 0x09))
        seen.insert("CA per programme");
    std::map<uint16_t, std::set<uint16_t>> expected;
    for (size_t i = 0; i < s.caSystems.size(); ++i)
        expected[s.caSystems[i]].insert(uint16_t(s.ecmPid + i));
    QCOMPARE(caSystems(p, seen), expected);
}

void checkNetwork(const std::vector<Section>& sections, const sim::Satellite& sat)
{
    size_t listed = 0;
    for (const Section& s : sections) {
        if (s[0] != 0x40)
            continue;
        QCOMPARE(be16(s, 3), sat.networkId);
        const Descriptors network = descriptorLoop(s, 8);
        QVERIFY(network.size() == 1 && network[0].tag == 0x40
                && std::string(network[0].body.begin(), network[0].body.end()) == sat.networkName);
        const size_t loop = 10 + length12(s, 8);
        for (size_t i = loop + 2; i < loop + 2 + length12(s, loop); i += 6 + length12(s, i + 4)) {
            const Descriptors ds = descriptorLoop(s, i + 4);
            QVERIFY(!ds.empty() && ds[0].tag == 0x43 && ds[0].body.size() == 11);
            QVERIFY(listed < sat.transponders.size());
            const sim::Transponder& model = sat.transponders[listed++];
            const uint32_t frequencyBcd = uint32_t(be16(ds[0].body, 0)) << 16 | be16(ds[0].body, 2);  // 10 kHz units
            QCOMPARE(be16(s, i), model.tsid);
            QCOMPARE(QString::number(frequencyBcd, 16), QString::number(model.frequencyKHz / 10));
        }
    }
    QCOMPARE(listed, sat.transponders.size());
}

// The sections of transponder t against the model; notes in seen what kinds of content they hold.
void checkTransponder(size_t t, std::set<QString>& seen)
{
    const auto& sat = sim::defaultSatellite();
    const auto& tp = sat.transponders[t];
    const auto sections = sim::transponderSections(sat, tp, sim::Decoder::kMaxSiReplyLength - 4);
    QString order;
    for (const Section& s : sections) {
        checkFraming(s);
        order += s[0] == 0x42 ? 'S' : s[0] == 0x02 ? 'P' : s[0] == 0x40 ? 'N' : '?';
    }
    QCOMPARE(order, QString(order.count('S'), 'S') + QString(int(tp.services.size()), 'P')
                        + QString(order.count('N'), 'N'));
    QVERIFY(3 + sim::sectionLinesLength(sections) + 1 < 32767);  // the whole reply
    checkNumbering(sections, 0x42);
    checkNumbering(sections, 0x40);
    const auto listed = listedServices(sections);
    QCOMPARE(listed.size(), tp.services.size());
    for (size_t k = 0; k < listed.size() && !QTest::currentTestFailed(); ++k) {
        const sim::Service& s = tp.services[k];
        const ListedService& e = listed[k];
        QVERIFY(e.sid == s.sid && e.freeCa == s.scrambled && (e.running == 4 || e.running == 1));
        QCOMPARE(e.type, uint8_t(s.kind == sim::ServiceKind::Tv ? 1 : s.kind == sim::ServiceKind::Radio ? 2 : 0x0C));
        QCOMPARE(plainName(e.provider), s.provider);
        QCOMPARE(plainName(e.name), s.name);
        seen.insert({e.freeCa ? "scrambled" : "free", QString("type %1").arg(int(e.type))});
        if (s.name.size() > 16)
            seen.insert("long name");
        if (e.name != s.name)
            seen.insert(QString("table %1").arg(int(uint8_t(e.name[0]))));
        const Section& map = sections[size_t(order.indexOf('P')) + k];
        QCOMPARE(be16(map, 3), s.sid);
        checkProgramMap(programMap(map), s, seen);
    }
    checkNetwork(sections, sat);
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
}

}  // namespace

class SiSectionsTest : public QObject {
    Q_OBJECT

private slots:
    void crc_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("crc");
        QTest::newRow("check string") << QByteArray("123456789") << 0x0376E6E7u;
        QTest::newRow("nothing") << QByteArray() << 0xFFFFFFFFu;
        QTest::newRow("one zero byte") << QByteArray(1, '\0') << 0x4E08BFB4u;
    }
    void crc()
    {
        QFETCH(QByteArray, bytes);
        QTEST(uint(sim::sectionCrc(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()))), "crc");
    }

    void transponder_data()
    {
        QTest::addColumn<int>("index");
        const auto& sat = sim::defaultSatellite();
        for (size_t t = 0; t < sat.transponders.size(); ++t)
            QTest::newRow(qPrintable(QString::number(sat.transponders[t].frequencyKHz))) << int(t);
    }
    void transponder()
    {
        QFETCH(int, index);
        std::set<QString> seenHere;
        checkTransponder(size_t(index), seenHere);
    }
    void satelliteCarriesEveryKind()
    {
        std::set<QString> seen;
        for (size_t t = 0; t < sim::defaultSatellite().transponders.size(); ++t)
            checkTransponder(t, seen);
        const std::set<QString> expected = {"CA 01", "CA 05", "CA 06", "CA 09", "CA 0b", "CA 0d", "CA 0e", "CA 18",
            "CA per programme", "CA per stream", "MedGrd 1 records", "MedGrd 2 records", "MedGrd packages",
            "MedGrd pay per view", "free", "long name", "private, guide", "private, unknown", "scrambled", "table 16",
            "table 5", "type 1", "type 12", "type 2"};
        QCOMPARE(QStringList(seen.begin(), seen.end()), QStringList(expected.begin(), expected.end()));
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
        for (const Section& s : sections)
            checkFraming(s);
        checkNumbering(sections, 0x42);
        const auto listed = listedServices(sections);
        QCOMPARE(listed.size(), tp.services.size());
        QCOMPARE(plainName(listed.back().name), tp.services.back().name);
    }

    void programMapsGiveWayToTheReplyLimit()
    {
        const auto& sat = sim::defaultSatellite();
        const auto& tp = sat.transponders.front();
        size_t budget = sim::sectionLinesLength(sim::serviceDescriptionSections(tp))
                      + sim::sectionLinesLength(sim::networkInformationSections(sat));
        for (size_t maps = 0; maps <= tp.services.size(); ++maps) {
            const auto sections = sim::transponderSections(sat, tp, budget + 1);  // one short of the next map
            QCOMPARE(std::count_if(sections.begin(), sections.end(), [](const Section& s) { return s[0] == 2; }),
                     long(maps));
            QCOMPARE(sections.back()[0], uint8_t(0x40));
            if (maps < tp.services.size())
                budget += sim::sectionLinesLength({sim::programMapSection(tp.services[maps])});
        }
    }

    void command31_data()
    {
        QTest::addColumn<QString>("fed");
        QTest::addColumn<QString>("tune");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("reply");  // "*": the second transponder's sections
        QTest::addColumn<int>("terminator");
        const QString first = "070097900022750002002", noCarrier = "070097900022750001002";
        QTest::newRow("not tuned") << "" << "" << "310" << "3101" << int('\r');
        QTest::newRow("no carrier") << "" << noCarrier << "310" << "3101" << int('\r');
        QTest::newRow("other form") << "" << first << "3100" << "31E" << int('\r');
        QTest::newRow("tuned") << "" << "070102425022750001002" << "310" << "*" << int('\n');
        QTest::newRow("fed, tuned at start") << "42F00A AB" << "" << "310" << "31042F00A\rAB\r" << int('\n');
        QTest::newRow("fed, tuned off") << "AB" << noCarrier << "310" << "3101" << int('\r');
    }
    void command31()
    {
        QFETCH(QString, fed);
        QFETCH(QString, tune);
        QFETCH(QString, reply);
        sim::DecoderConfig config;
        std::string error;
        if (!fed.isEmpty())
            config.fedSections = *sim::parseSectionText(fed.replace(' ', '\n').toStdString(), error);
        sim::Decoder d(config);
        if (!tune.isEmpty())
            d.execute(tune.toStdString());
        QFETCH(QString, command);
        const sim::Reply r = d.execute(command.toStdString());
        QTEST(int(r.terminator), "terminator");
        const auto& sat = sim::defaultSatellite();
        const std::string lines = sim::sectionLines(sim::transponderSections(sat, sat.transponders[1], 32762));
        QCOMPARE(QString::fromStdString(r.text), reply == "*" ? QString::fromStdString("310" + lines) : reply);
    }

    void sectionFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("outcome");  // the sections, or the error
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
        const QString got = QString::fromStdString(sections ? sim::sectionLines(*sections) : error).trimmed();
        QCOMPARE(QString(got).replace('\r', ' '), outcome);
        if (sections)
            return;
        // The program refuses such a file at start.
        QTemporaryDir dir;
        writeText(dir.filePath("bad.txt"), text);
        QProcess program;
        program.start(qEnvironmentVariable("KESTREL_SIM"), {"--si-file", dir.filePath("bad.txt")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains(outcome.toUtf8()));
    }

    // Through the program's terminal: the fed sections without a tune, and one LF in place of the last CR.
    void programSendsFedSectionsOnItsLine()
    {
        QTemporaryDir dir;
        writeText(dir.filePath("capture.txt"), "42f00a\nab cd\n");
        QProcess program;
        program.start(qEnvironmentVariable("KESTREL_SIM"), {"--si-file", dir.filePath("capture.txt")});
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
        QCOMPARE(reply, QByteArray("31042F00A\rABCD\r\n"));
    }
};

QTEST_GUILESS_MAIN(SiSectionsTest)
#include "test_si_sections.moc"
