#include "ui/session.h"

#include "link/prompts.h"
#include "platform/serial_port.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
static const char *const kDefaultPorts[2] = {"COM1", "COM2"};
#else
static const char *const kDefaultPorts[2] = {"/dev/ttyS0", "/dev/ttyS1"};
#endif

Session::Session(SerialPort *port, Prompter *prompter)
    : link(options, port),
      prompter(prompter), portDevice{QString::fromLatin1(kDefaultPorts[0]), QString::fromLatin1(kDefaultPorts[1])},
      windows(*this)
{}

Session::~Session() { windows.destroyAll(); }

void Session::quit(int code)
{
    if (quitting_)
        return;
    quitting_ = true;
    link.shutDown();
    windows.closeAll();
    QCoreApplication::exit(code);
}
