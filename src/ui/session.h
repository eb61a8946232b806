#pragma once
// What every window shares: the options, the link, the question service,
// the port devices, what is kept between runs and the registry of tool
// windows.
#include "link/link.h"
#include "link/options.h"
#include "ui/desk_settings.h"
#include "ui/window_registry.h"

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <typeindex>

class Prompter;
class SerialPort;

class Session {
public:
    Session(SerialPort *port, Prompter *prompter);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Options options;
    Link link;
    Prompter *prompter;
    QString portDevice[2];   // devices of port 1 and port 2
    DeskSettings settings;
    WindowRegistry windows;

    // The services the tool families share, one of each kind for the
    // program, made on first use from the link and the options.
    template <class T>
    T &service()
    {
        std::unique_ptr<QObject> &slot = services_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_unique<T>(link, options);
        return static_cast<T &>(*slot);
    }

    // Ends the program: stops every wait, closes the tool windows and leaves
    // the event loop with code.
    void quit(int code);
    bool quitting() const { return quitting_; }

private:
    bool quitting_ = false;
    std::map<std::type_index, std::unique_ptr<QObject>> services_;
};
