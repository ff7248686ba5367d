#pragma once

// Gives a benchmark a world of its own under `root`: settings, runtime, temporary files
// and home all start empty, so earlier runs and the user's own settings never count, and
// windows open offscreen.

#include <QDir>
#include <QFile>
#include <QString>

inline void UseScratchHome(const QString& root) {
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "HOME"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(var).toLower();
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, folder.toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
}
