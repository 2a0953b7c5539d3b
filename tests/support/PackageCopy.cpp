#include "PackageCopy.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

PackageCopy::PackageCopy() {
    const QDir root(root_.path());
    root.mkpath("bin");
    root.mkpath(kResources);
    const QFileInfo self(QCoreApplication::applicationFilePath());
    program_ = root.filePath("bin/" + self.fileName());
    copied_ = root_.isValid() && QFile::copy(self.filePath(), program_) &&
              QFile::setPermissions(program_, self.permissions());
}

QDir PackageCopy::resources() const {
    return QDir(root_.filePath(kResources));
}

bool PackageCopy::run(const QString& testCase, const char* variable, const QString& value,
                      QString& output) const {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), value);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program_, {"--gtest_filter=" + testCase});
    const bool finished = child.waitForFinished(120000);
    output = QString::fromLocal8Bit(child.readAll());
    // A skipped or filtered-out test also exits with 0: demand that it ran and passed.
    return finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
           output.contains("[  PASSED  ] 1 test") && !output.contains("SKIPPED");
}
