#include "ApplicationIcon.h"

#include "Logging.h"

#include <QDir>
#include <QGuiApplication>

namespace fw {

QIcon ApplicationIcon() {
    const QDir theme(QCoreApplication::applicationDirPath() + "/../share/icons/hicolor");
    const QString file = "apps/" + QGuiApplication::desktopFileName() + ".png";
    QIcon icon;
    for (const QString& size : theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = theme.filePath(size + '/' + file);
        if (QFile::exists(path))
            icon.addFile(path);
    }
    if (icon.isNull())
        qCWarning(lcFw) << "no application icon" << file << "in" << QDir::cleanPath(theme.path());
    return icon;
}

} // namespace fw
