#pragma once
// What the program keeps between runs, in one folder: the devices of the
// two ports and each window's size and position in kestrel.conf, the
// commands sent from the command box in history, and the state of the check
// boxes that add to what an operation does (a backup first, a read-back).
// Nothing else is kept: every other control starts as the program defines
// it. Without a folder (scripts) nothing is read or written.
#include <QString>
#include <QStringList>
#include <memory>

class QSettings;
class QWidget;

class DeskSettings {
public:
    DeskSettings();
    ~DeskSettings();
    DeskSettings(const DeskSettings &) = delete;
    DeskSettings &operator=(const DeskSettings &) = delete;

    // The user's folder: $XDG_CONFIG_HOME/kestrel (~/.config/kestrel).
    static QString UserFolder();
    // Keeps everything in folder from now on (created when first written).
    void useFolder(const QString &folder);
    bool enabled() const { return store_ != nullptr; }

    // The device remembered for port (0 or 1), or the empty text.
    QString device(int port) const;
    void setDevice(int port, const QString &device);

    // A kept check box, by its window's and its own object name: unticked
    // until it is first ticked.
    bool checked(const QString &window, const QString &box) const;
    void setChecked(const QString &window, const QString &box, bool checked);

    // Position and size of a top-level window, by its object name.
    void restoreGeometry(QWidget *window) const;
    void saveGeometry(const QWidget *window);

    // Oldest first. saveHistory returns the empty text or why it failed.
    QStringList history() const;
    QString saveHistory(const QStringList &commands) const;

    // Writes what is pending; the empty text or why it failed.
    QString flush();

private:
    QString folder_;
    std::unique_ptr<QSettings> store_;
};
