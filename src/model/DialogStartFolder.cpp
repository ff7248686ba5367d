#include "DialogStartFolder.h"

#include "OptionIni.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString DialogStartFolder(const QString& lastFolder) {
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return WithSlash(QFileInfo(lastFolder).absoluteFilePath());
    QString projectFolder, serviceUrl, userId, password;
    LoadOptionSettings(projectFolder, serviceUrl, userId, password, true);
    projectFolder = projectFolder.trimmed();
    if (!projectFolder.isEmpty() && QFileInfo(projectFolder).isDir())
        return WithSlash(QFileInfo(projectFolder).absoluteFilePath());
    return WithSlash(QDir::homePath());
}
