#pragma once

#include <QMenuBar>

namespace shell {
class MenuBar1;
} // namespace shell

// The one menu bar of the process, built on the first call. The main window it is attached to
// owns it from then on (Qt's main window deletes its menu bar), so it lives as long as that
// window, which is the life of the process.
shell::MenuBar1& MenuBar1();

namespace shell {

// The program's menu bar: a single "Help" menu with Instructions, About and Check for Updates.
// Every item carries its design name as objectName.
class MenuBar1 : public QMenuBar {
    Q_OBJECT
    friend MenuBar1& ::MenuBar1();

public:
    ~MenuBar1() override;

    // Builds the menu tree.
    void Untitled0();

private:
    MenuBar1();
};

} // namespace shell
