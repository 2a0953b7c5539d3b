#include "SetsTesting.h"

#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace sets_testing {

QString settingsPath() {
    return QDir::homePath() + "/.local/share/Tolvane/settings";
}

void writeSettings(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + '\n';
    writeSettingsBytes(bytes);
}

void writeSettingsBytes(const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath()).path()));
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

mainwindow::MainWindow& startAgain() {
    delete &::MainWindow();
    return ::MainWindow();
}

QByteArray settingsBytes() {
    QFile file(settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList settingsLines() {
    QStringList lines = QString::fromUtf8(settingsBytes()).split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QString makeFolder(const QString& root, const QString& relative) {
    const QString path = QDir(root).filePath(relative);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

QString colonPath(const QString& nativeFolder) {
    const QString clean = QDir::cleanPath(nativeFolder);
    if (clean == "/")
        return "/:";
    return "/:" + clean.mid(1).replace('/', ':') + ":";
}

QString setLine(bool enabled, const QString& sourceFolder, const QString& destinationFolder) {
    return QStringLiteral("set?%1?%2?%3")
        .arg(enabled ? "1" : "0", colonPath(sourceFolder),
             destinationFolder.isEmpty() ? QString() : colonPath(destinationFolder));
}

QStringList listRows(const QListWidget& list) {
    QStringList rows;
    for (int row = 0; row < list.count(); ++row)
        rows << list.item(row)->text();
    return rows;
}

QStringList popupRows(const QComboBox& popup) {
    QStringList rows;
    for (int row = 0; row < popup.count(); ++row)
        rows << popup.itemText(row);
    return rows;
}

QStringList ladderTexts(const std::array<QLabel*, 7>& ladder) {
    QStringList shown;
    for (const QLabel* label : ladder)
        shown << label->text();
    return shown;
}

void typeAndPress(mainwindow::MainWindow& window, const QString& text, QPushButton* button) {
    window.txf_String->setText(text);
    button->click();
}

} // namespace sets_testing
