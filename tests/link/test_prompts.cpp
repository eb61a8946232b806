#include "link/prompts.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QtTest>
#include <unistd.h>

class TestPrompts : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void askSureWording();
    void askSureAnswers();
    void fileExistsMissingLeavesNothing();
    void fileExistsEmptyIsDeleted();
    void fileExistsWithContent();
    void fileExistsUnopenableNames();
    void askOverwriteMissingCreatesEmptyFile();
    void askOverwriteEmptyFileIsKeptWithoutAsking();
    void askOverwriteAsksWithNameAsGiven();
    void askOverwriteDeclinedLeavesFile();
    void askOverwriteUnwritableNames();
    void askOverwriteWhileCallerHoldsFileOpen();
    void permissionsAreRespected();

private:
    QTemporaryDir *dir_ = nullptr;
    QString savedCurrent_;
    QString path(const QString &name) const { return dir_->filePath(name); }
};

void TestPrompts::init()
{
    dir_ = new QTemporaryDir;
    QVERIFY(dir_->isValid());
    savedCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
}

void TestPrompts::cleanup()
{
    QDir::setCurrent(savedCurrent_);
    delete dir_;
    dir_ = nullptr;
}

void TestPrompts::askSureWording()
{
    FakePrompter prompter;
    AskSure(prompter, QStringLiteral("This command can erase your firmware!"));
    QCOMPARE(prompter.questions.size(), 1);
    QCOMPARE(prompter.questions[0].title, QStringLiteral("Are you sure ?"));
    QCOMPARE(prompter.questions[0].text, QStringLiteral("This command can erase your firmware!"));
}

void TestPrompts::askSureAnswers()
{
    FakePrompter prompter;
    prompter.answers = {true, false};
    QCOMPARE(AskSure(prompter, QStringLiteral("x")), false);  // OK
    QCOMPARE(AskSure(prompter, QStringLiteral("x")), true);   // Cancel or closed
}

void TestPrompts::fileExistsMissingLeavesNothing()
{
    QCOMPARE(FileExists(QStringLiteral("SoftReset.txt")), false);
    QVERIFY(!QFile::exists(path("SoftReset.txt")));
    QCOMPARE(FileExists(QString()), false);
}

void TestPrompts::fileExistsEmptyIsDeleted()
{
    WriteFile(path("empty.bin"), QByteArray());
    QVERIFY(QFile::exists(path("empty.bin")));
    QCOMPARE(FileExists(QStringLiteral("empty.bin")), false);
    QVERIFY(!QFile::exists(path("empty.bin")));
}

void TestPrompts::fileExistsWithContent()
{
    WriteFile(path("one.bin"), QByteArray(1, '\0'));
    QCOMPARE(FileExists(QStringLiteral("one.bin")), true);
    QCOMPARE(FileExists(path("one.bin")), true);
    QCOMPARE(ReadFile(path("one.bin")), QByteArray(1, '\0'));
}

void TestPrompts::fileExistsUnopenableNames()
{
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    QCOMPARE(FileExists(QStringLiteral("folder")), false);
    QVERIFY(QFileInfo(path("folder")).isDir());

    QCOMPARE(FileExists(QStringLiteral("nowhere/file.bin")), false);
    QVERIFY(!QFileInfo::exists(path("nowhere")));
}

void TestPrompts::askOverwriteMissingCreatesEmptyFile()
{
    FakePrompter prompter;
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("memdump.bin")), true);
    QVERIFY(prompter.questions.isEmpty());
    QVERIFY(QFileInfo(path("memdump.bin")).isFile());
    QCOMPARE(QFileInfo(path("memdump.bin")).size(), 0);
}

void TestPrompts::askOverwriteEmptyFileIsKeptWithoutAsking()
{
    WriteFile(path("eeprom.bin"), QByteArray());
    FakePrompter prompter;
    prompter.defaultAnswer = false;
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("eeprom.bin")), true);
    QVERIFY(prompter.questions.isEmpty());
    QVERIFY(QFile::exists(path("eeprom.bin")));
}

void TestPrompts::askOverwriteAsksWithNameAsGiven()
{
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    WriteFile(path("sub/flash.bin"), "data");
    FakePrompter prompter;
    prompter.answers = {true};
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("./sub/../sub/flash.bin")), true);
    QCOMPARE(prompter.questions.size(), 1);
    QCOMPARE(prompter.questions[0].title, QStringLiteral("Are you sure ?"));
    QCOMPARE(prompter.questions[0].text, QStringLiteral("Overwrite ./sub/../sub/flash.bin ?"));
    QVERIFY(!QFile::exists(path("sub/flash.bin")));
}

void TestPrompts::askOverwriteDeclinedLeavesFile()
{
    WriteFile(path("TCS"), "channels");
    FakePrompter prompter;
    prompter.answers = {false};
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("TCS")), false);
    QCOMPARE(prompter.questions.size(), 1);
    QCOMPARE(ReadFile(path("TCS")), QByteArray("channels"));
}

void TestPrompts::askOverwriteUnwritableNames()
{
    FakePrompter prompter;
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("folder")), false);
    QVERIFY(QFileInfo(path("folder")).isDir());

    QCOMPARE(AskOverwrite(prompter, QStringLiteral("nowhere/file.bin")), false);
    QVERIFY(!QFileInfo::exists(path("nowhere")));
    QCOMPARE(AskOverwrite(prompter, QString()), false);
    QVERIFY(prompter.questions.isEmpty());
}

void TestPrompts::askOverwriteWhileCallerHoldsFileOpen()
{
    // The caller may hold another file open; each routine uses its own handle.
    QFile held(path("held.txt"));
    QVERIFY(held.open(QIODevice::WriteOnly));
    WriteFile(path("other.bin"), "x");
    FakePrompter prompter;
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("other.bin")), true);
    QCOMPARE(FileExists(QStringLiteral("other.bin")), false);
    QVERIFY(held.isOpen());
    QCOMPARE(held.write("ok"), 2);
}

void TestPrompts::permissionsAreRespected()
{
    if (geteuid() == 0)
        QSKIP("file permissions do not bind the super-user");

    WriteFile(path("locked.bin"), "secret");
    QVERIFY(QFile::setPermissions(path("locked.bin"), QFileDevice::WriteOwner));
    QCOMPARE(FileExists(QStringLiteral("locked.bin")), false);
    QVERIFY(QFile::exists(path("locked.bin")));

    WriteFile(path("readonly.bin"), "keep");
    QVERIFY(QFile::setPermissions(path("readonly.bin"), QFileDevice::ReadOwner));
    FakePrompter prompter;
    QCOMPARE(FileExists(QStringLiteral("readonly.bin")), true);
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("readonly.bin")), false);
    QVERIFY(prompter.questions.isEmpty());
    QCOMPARE(ReadFile(path("readonly.bin")), QByteArray("keep"));

    // A folder without write permission: no new file, but an existing
    // writable one can still be emptied for the caller.
    QVERIFY(QDir(dir_->path()).mkdir("closed"));
    WriteFile(path("closed/old.bin"), "old");
    QVERIFY(QFile::setPermissions(path("closed"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("closed/new.bin")), false);
    QVERIFY(!QFile::exists(path("closed/new.bin")));
    QCOMPARE(AskOverwrite(prompter, QStringLiteral("closed/old.bin")), true);
    QCOMPARE(prompter.questions.size(), 1);
    QVERIFY(QFile::exists(path("closed/old.bin")));
    QCOMPARE(QFileInfo(path("closed/old.bin")).size(), 0);
    QVERIFY(QFile::setPermissions(path("closed"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(QFile::setPermissions(path("locked.bin"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

QTEST_GUILESS_MAIN(TestPrompts)
#include "test_prompts.moc"
