#pragma once
// Creates tool windows on demand, by their window names, and finds the open
// ones. A window closed in the middle of its operation stays alive, hidden,
// until the operation has unwound; the registry no longer reports it.
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class Session;

class WindowRegistry {
public:
    using Factory = std::function<QWidget *(Session &)>;
    explicit WindowRegistry(Session &session) : session_(session) {}

    void add(const QString &name, Factory factory);
    // The open window of that name, or null.
    QWidget *find(const QString &name) const;
    // Creates the window unless it is open; the window shows itself unless
    // created hidden, with the size and position it had when last closed.
    // Returns the window, or null when none is built for name.
    QWidget *create(const QString &name, bool hidden = false);
    void close(const QString &name);
    void closeAll();
    void destroyAll();

private:
    Session &session_;
    QHash<QString, Factory> factories_;
    QHash<QString, QPointer<QWidget>> open_;
};
