#pragma once

#include "support/PrivateBus.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QProcess>
#include <QStringList>

namespace e2e {

// A session bus (and, for logind, a system bus) of the test's own, with the fake desktop
// services of e2e_fake_screensaver on them. Their addresses are set in this process's
// environment, so this process and the programs it starts use them from their first call.
class FakeDesktop {
public:
    FakeDesktop() = default;
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;
    ~FakeDesktop();

    // Starts the buses and the fake offering `services` (see FakeScreenSaver.cpp); false when
    // no bus or no fake could be started.
    bool start(const QStringList& services);

    // How often the fake has printed `line` so far.
    int count(const QByteArray& line) const { return int(lines_.count(line)); }
    // Runs the event loop until the fake has printed `line` `times` times; false on timeout.
    bool waitFor(const QByteArray& line, int times = 1);
    // Every line the fake printed, for failure messages.
    QByteArray lines() const { return lines_.join(' '); }
    // Lets the fake answer the inhibit calls it holds back.
    void answer();

private:
    void readLines();

    PrivateBus session_;
    PrivateBus system_;
    QProcess fake_;
    QByteArrayList lines_;
};

} // namespace e2e
