#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh folder for one test, removed afterwards; path() ends without '/'.
class TestDir {
public:
    TestDir() { m_dir.setAutoRemove(true); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};
