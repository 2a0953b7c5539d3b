#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A copy of the running test program laid out as an installed application,
// <root>/bin/<program> beside an empty <root>/share/tolvane/, for tests that need a process of
// their own with a Resources folder they can change.
class PackageCopy {
public:
    PackageCopy();

    // Where an installed copy keeps its pictures, relative to the install prefix.
    static constexpr char kResources[] = "share/tolvane";

    bool copied() const { return copied_; }
    QDir resources() const;

    // Runs the test case `testCase` (its full name, "Suite.Case") in the copy with the
    // environment variable `variable` set to `value`. True when that test ran and passed;
    // the program's output is kept for the failure message.
    bool run(const QString& testCase, const char* variable, const QString& value,
             QString& output) const;

private:
    QTemporaryDir root_;
    QString program_;
    bool copied_ = false;
};
