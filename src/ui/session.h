#pragma once
// What every window shares: the options, the link, the question service,
// the port devices, what is kept between runs and the registry of tool
// windows.
#include "link/link.h"
#include "link/options.h"
#include "ui/desk_settings.h"
#include "ui/window_registry.h"

#include <QString>

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

    // Ends the program: stops every wait, closes the tool windows and leaves
    // the event loop with code.
    void quit(int code);
    bool quitting() const { return quitting_; }

private:
    bool quitting_ = false;
};
