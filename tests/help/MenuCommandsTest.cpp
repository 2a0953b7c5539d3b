#include "help/HelpDriver.h"
#include "mainwindow/MainWindow.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

// Stands in for the web browser: receives the addresses the program asks the desktop to open.
class Browser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl& url) { opened.append(url); }
};

} // namespace

TEST(MenuCommands, AboutShowsTheNameAndVersionWithOneOkButton) {
    mainwindow::MainWindow& window = MainWindow();
    auto seen = answerNextDialog("OK");

    ASSERT_NE(window.menuAbout(), nullptr);
    window.menuAbout()->trigger();

    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(seen->title, "Tolvane - About");
    EXPECT_EQ(seen->text, QString("Tolvane %1.%2.%3")
                              .arg(TOLVANE_VERSION_MAJOR)
                              .arg(TOLVANE_VERSION_MINOR)
                              .arg(TOLVANE_VERSION_BUG));
    EXPECT_TRUE(seen->informativeText.isEmpty());
    EXPECT_EQ(seen->buttons, QStringList{"OK"});
    EXPECT_EQ(seen->icon, int(QMessageBox::Information));
    EXPECT_TRUE(help_test::existingHelpWindows().isEmpty());
}

TEST(MenuCommands, CheckForUpdatesOpensTheDownloadPage) {
    Browser browser;
    QDesktopServices::setUrlHandler("https", &browser, "openUrl");

    ASSERT_NE(MainWindow().menuCheckUpdate(), nullptr);
    MainWindow().menuCheckUpdate()->trigger();
    EXPECT_TRUE(MainWindow()._menuCheckUpdate_Action());

    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(browser.opened.size(), 2);
    for (const QUrl& page : browser.opened) {
        EXPECT_TRUE(page.isValid());
        EXPECT_EQ(page.scheme(), "https");
        EXPECT_FALSE(page.host().isEmpty());
        EXPECT_EQ(page.path(), "/Download/Download.html");
    }
}

#include "MenuCommandsTest.moc"
