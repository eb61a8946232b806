#include "ui/window_registry.h"

#include "ui/session.h"
#include "ui/tool_window.h"

void WindowRegistry::add(const QString &name, Factory factory) { factories_.insert(name, std::move(factory)); }

QWidget *WindowRegistry::find(const QString &name) const
{
    QWidget *w = open_.value(name);
    if (auto *tool = qobject_cast<ToolWindow *>(w); tool && tool->isClosing())
        return nullptr;
    return w;
}

QWidget *WindowRegistry::create(const QString &name, bool hidden)
{
    if (QWidget *w = find(name))
        return w;
    const auto factory = factories_.constFind(name);
    if (factory == factories_.constEnd())
        return nullptr;
    QWidget *w = (*factory)(session_);
    session_.settings.restoreGeometry(w);
    open_.insert(name, w);
    if (!hidden)
        w->show();
    return w;
}

void WindowRegistry::close(const QString &name)
{
    QWidget *w = find(name);
    if (!w)
        return;
    if (auto *tool = qobject_cast<ToolWindow *>(w))
        tool->closeUnasked();
    w->close();
}

void WindowRegistry::closeAll()
{
    for (const auto &name : open_.keys())
        close(name);
}

void WindowRegistry::destroyAll()
{
    for (auto &w : open_)
        delete w.data();
    open_.clear();
}
