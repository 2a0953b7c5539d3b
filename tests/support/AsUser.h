#pragma once

#include <QStringList>
#include <string>

// Runs part of a test as an ordinary user, for faults that only show where permissions
// bind (root reads and writes everything).
//
// A test case runs twice: first as root, which prepares the files, runs the same test case
// again as the user in a child process and checks the outcome; then, in that child, as the
// user, which drives the window:
//
//     if (!asuser::inUserSide()) {
//         ... prepare files below a folder made reachable with asuser::shareWithUser ...
//         ASSERT_EQ(asuser::runThisTestAsUser(folder), asuser::kPassed);
//         ... check what the user side left ...
//         return;
//     }
//     ... the user side: asuser::sharedFolder() is `folder` ...
namespace asuser {

// The account the user side runs as; made on first use.
inline constexpr char kUserName[] = "tolvane-test";

// What runThisTestAsUser gives for a user side whose checks all passed.
inline constexpr int kPassed = 0;

// Why the user side cannot run here (not root, no way to make the account, no runuser);
// empty where it can. A test skips with this text when it is not empty.
std::string unavailableReason();

// True in the child that runs the test case as the user.
bool inUserSide();

// The folder the root side handed to the user side.
std::string sharedFolder();

// Gives the user the folder and everything below it.
void shareWithUser(const std::string& folder);

// Runs the current test case again as the user, its output passed on, `folder` handed over
// as sharedFolder(). Gives the child's exit status (kPassed when its checks passed), or -1
// when it could not be started or did not end normally.
int runThisTestAsUser(const std::string& folder);

} // namespace asuser
