#include "MenuBar1.h"

#include <array>
#include <QAction>
#include <QMenu>

namespace {

shell::MenuBar1* theMenuBar = nullptr;

struct MenuItem {
    const char* name;
    const char* text; // "-" is a separator
};

// The entries of the Help menu, top to bottom.
constexpr std::array<MenuItem, 5> helpItems = {{
    {"menuInstructions", "Instructions"},
    {"UntitledSeparator0", "-"},
    {"menuAbout", "About"},
    {"menuCheckUpdate", "Check for Updates"},
    {"UntitledSeparator", "-"},
}};

} // namespace

shell::MenuBar1& MenuBar1() {
    if (!theMenuBar)
        theMenuBar = new shell::MenuBar1;
    return *theMenuBar;
}

namespace shell {

MenuBar1::MenuBar1() {
    Untitled0();
}

MenuBar1::~MenuBar1() {
    if (theMenuBar == this)
        theMenuBar = nullptr;
}

void MenuBar1::Untitled0() {
    auto* help = new QMenu(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("menuHelp"));
    // The menu ends in a separator, which Qt would leave undrawn.
    help->setSeparatorsCollapsible(false);
    addMenu(help);

    QMenu* menu = findChild<QMenu*>(QStringLiteral("menuHelp"));
    for (const MenuItem& item : helpItems) {
        const QString text = QString::fromUtf8(item.text);
        QAction* action = text == QLatin1String("-") ? menu->addSeparator() : menu->addAction(text);
        action->setObjectName(QLatin1String(item.name));
    }
}

} // namespace shell
