#pragma once

#include "Cproject.h"
#include "TestDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

// Puts the temporary folder (and so every work folder) into a fresh folder of the test.
class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toUtf8());
    }
    void TearDown() override { qputenv("TMPDIR", m_oldTmp); }

    QString Tmp(const QString& name) const { return m_tmp.file(name); }
    QString Base() const { return m_tmp.file(QStringLiteral("tamvik-%1/").arg(::getuid())); }

    // Names in a folder, sorted, hidden files included.
    static QStringList Names(const QString& folder) {
        QStringList names =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }
    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Entry names of an archive in directory order.
    static QStringList ArchiveNames(const QString& path, std::vector<TMVARCHIVEFILEINFO>* entries = nullptr) {
        CTmvFile tmv;
        std::vector<TMVARCHIVEFILEINFO> list;
        if (!tmv.ReadDirectory(path, list))
            return {QStringLiteral("<unreadable>")};
        QStringList names;
        for (const auto& e : list)
            names.append(CTmvFile::EntryName(e));
        if (entries)
            *entries = list;
        return names;
    }

    // A folder of entries as another writer may leave them: GENERAL.INI with the method
    // (-1 writes none) and an INST.TXT. Tests add entries and pack it with PackFolder.
    QString EntryFolder(const QString& name, int method) const {
        const QString folder = Tmp(name);
        EXPECT_TRUE(QDir().mkdir(folder));
        if (method >= 0) {
            CProjectGeneral general;
            general.SetMethod(method);
            general.Save(folder + QStringLiteral("/GENERAL.INI"), true);
        }
        Write(folder + QStringLiteral("/INST.TXT"), QByteArray("\xFF\xFE", 2));
        return folder;
    }
    static bool PackFolder(const QString& folder, const QString& archive) {
        CTmvFile tmv;
        tmv.SetExtensions({QStringLiteral("INI"), QStringLiteral("TXT")});
        return tmv.Pack(folder, archive, false);
    }

    TestDir m_tmp;
    QByteArray m_oldTmp;
};
