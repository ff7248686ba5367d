// The download dialog as the File menu shows it: search, marks, downloads into the local
// library, opening, the search history, synchronisation and deletion.
#include "LibraryFixture.h"

#include "IniFile.h"
#include "PrjDownloadUnit.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

struct LibraryProject {
    std::string seq;
    std::string title;
    std::string category;
    std::string name;
    QByteArray bytes;
    std::string size; // TMV_SIZE; empty: the size of bytes
};

std::string Record(const LibraryProject& p) {
    return "PROJECT_TITLE=" + p.title + ",DIFFICULTY=2,CATEGORY_NAME=" + p.category +
           ",CONTENT=Tones,PROJECT_NAME=" + p.name + ",PROJECT_SEQ=" + p.seq +
           ",TMV_SIZE=" + (p.size.empty() ? std::to_string(p.bytes.size()) : p.size);
}

const std::string kDownloaded = "✓";

} // namespace

class PrjDownloadTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        service->SetReply("searchScenarioList",
                          "SCENARIO_NAME=Basics,SCENARIO_ID=S1,EXPERIMENT_NUMBER=3\r\n");
        service->SetReply("searchCategoryList",
                          "CATEGORY_SEQ=1,CATEGORY_NAME=Piano\r\nCATEGORY_SEQ=2,CATEGORY_NAME=Voice\r\n");
        archive =
            MakeProjectFile(root->file(QStringLiteral("source.TMV")), QStringLiteral("Library project"));
    }

    // The service's library: lists for OP_KBN=1, the archive of a project for OP_KBN=2.
    void Serve(std::vector<LibraryProject> projects) {
        service->SetHandler("getProjectInfo", [projects](const fake::FakeRequest& r) {
            if (r.Field("OP_KBN") == "2") {
                for (const auto& p : projects)
                    if (p.seq == r.Field("PROJECT_SEQ"))
                        return fake::FakeReply::Text(p.bytes.toStdString());
                return fake::FakeReply::Status(404);
            }
            std::string body;
            for (const auto& p : projects)
                body += Record(p) + "\r\n";
            return fake::FakeReply::Text(body);
        });
    }

    TfrmPrjDownload* dialog() const { return w->frmPrjDownload; }
    StringGrid* grid() const { return dialog()->ProjectListGrid; }
    void Show(std::function<void()> script) { Command("projectDownload", dialog(), std::move(script)); }
    void Close() { dialog()->close(); }
    QString Local(const QString& relative) const { return library + relative; }
    std::vector<fake::FakeRequest> FileRequests() const {
        std::vector<fake::FakeRequest> files;
        for (const auto& r : service->Requests("getProjectInfo"))
            if (r.Field("OP_KBN") == "2")
                files.push_back(r);
        return files;
    }
    size_t Searches() const { return service->Requests("getProjectInfo").size() - FileRequests().size(); }

    QByteArray archive;
};

TEST_F(PrjDownloadTest, SearchMarksCurrentCopiesAndDownloadsByteIdenticalOnes) {
    const QByteArray other =
        MakeProjectFile(root->file(QStringLiteral("other.TMV")), QStringLiteral("Other"));
    Serve({{"17", "One", "Piano", "one.TMV", archive, ""},
           {"4", "Two", "Piano", "two.TMV", other, ""},
           {"33", "Three", "Voice", "three.TMV", archive, ""}});
    WriteBytes(Local("Piano/one.TMV"), archive);                 // current: marked
    WriteBytes(Local("Piano/two.TMV"), other + QByteArray("x")); // one byte more: not marked
    w->show();
    Show([&] {
        // The first search: every project, fields in the service's order, no history written.
        const auto search = service->Last("getProjectInfo");
        EXPECT_EQ(search.FieldNames(),
                  (std::vector<std::string>{"LANGUAGE_KBN", "USER_ID", "USER_PWD", "OP_KBN", "CATEGORY_SEQ",
                                            "DIFFICULTY", "PROJECT_TITLE", "CATEGORY_NAME"}));
        EXPECT_EQ(search.rawBody,
                  "LANGUAGE_KBN=en&USER_ID=user&USER_PWD=secret&OP_KBN=1&CATEGORY_SEQ=&DIFFICULTY="
                  "&PROJECT_TITLE=&CATEGORY_NAME=");
        EXPECT_FALSE(QFile::exists(SettingsFolderPath() + "history.ini"));
        EXPECT_EQ(Column(grid(), 2), (QStringList{"One", "Two", "Three"}));
        EXPECT_EQ(Column(grid(), 1), (QStringList{QString::fromStdString(kDownloaded), "", ""}));
        EXPECT_EQ(grid()->Cell(6, 0), QStringLiteral("File Name"));
        EXPECT_TRUE(grid()->IsHiddenColumn(7));
        EXPECT_EQ(dialog()->cbScenario->count(), 2);
        EXPECT_EQ(dialog()->CategoryComboBox->count(), 3);

        EXPECT_FALSE(dialog()->CategoryIdComboBox->isVisible());
        EXPECT_FALSE(dialog()->openFileEdit->isVisible());
        EXPECT_FALSE(dialog()->ProgressBar1->isVisible());
        EXPECT_FALSE(dialog()->btnCancelTransfer->isVisible());
        EXPECT_GE(grid()->width(), 935);
        std::vector<int> bar;
        QObject::connect(dialog()->ProgressBar1, &QProgressBar::valueChanged,
                         [&](int value) { bar.push_back(value); });

        ChooseRows(grid(), {2, 3});
        dialog()->rightPopupMenu->popup(grid()->mapToGlobal(QPoint(5, 5)));
        EXPECT_TRUE(dialog()->popupCopy->isEnabled());
        dialog()->rightPopupMenu->hide();
        dialog()->popupCopy->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(),
                  "Download\tTitle\tLevel of Difficulty\tCategory\tContent\tFile Name\r\n"
                  "\tTwo\t2\tPiano\tTones\ttwo.TMV\r\n"
                  "\tThree\t2\tVoice\tTones\tthree.TMV");

        dialog()->popupDownload->trigger();
        ASSERT_EQ(FileRequests().size(), 2u);
        EXPECT_EQ(FileRequests()[0].rawBody, "USER_ID=user&USER_PWD=secret&OP_KBN=2&PROJECT_SEQ=4");
        EXPECT_EQ(ReadBytes(Local("Piano/two.TMV")), other);
        EXPECT_EQ(ReadBytes(Local("Voice/three.TMV")), archive) << "the category folder is made";
        EXPECT_EQ(FilesBelow(library), (QStringList{"Piano/one.TMV", "Piano/two.TMV", "Voice/three.TMV"}));
        EXPECT_EQ(Column(grid(), 1), QStringList(3, QString::fromStdString(kDownloaded)));
        ASSERT_FALSE(ui->messages.empty());
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("The download of the project file is completed."));
        EXPECT_EQ(ui->messages.back().kind, UiServices::Kind::Information);
        EXPECT_FALSE(dialog()->ProgressBar1->isVisible());
        EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end() - 1)) << "the bar only moves on";
        EXPECT_NE(std::find(bar.begin(), bar.end(), 50), bar.end()) << "half way after the first of two";
        EXPECT_NE(std::find(bar.begin(), bar.end(), 100), bar.end());

        // A search by the button remembers its fields.
        QTest::keyClicks(dialog()->TitleEdit, QStringLiteral("On"));
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_EQ(service->Last("getProjectInfo").Field("PROJECT_TITLE"), "On");
        tamvik::IniFile history(SettingsFolderPath() + "history.ini");
        EXPECT_EQ(history.ReadString("History", "Titile", "-"), QStringLiteral("On"));
        EXPECT_EQ(history.ReadSection("History"),
                  (QStringList{"Titile", "Difficult", "Category", "CategoryId", "Scenario", "Times"}));
        Close();
    });
    EXPECT_TRUE(dialog()->openFileEdit->text().isEmpty()) << "closed without opening";
}

TEST_F(PrjDownloadTest, DoubleClickDownloadsAndOpensTheProject) {
    Serve({{"17", "One", "Piano", "one.TMV", archive, ""}});
    w->show();
    Show([&] {
        DoubleClick(grid(), 2, 0);
        EXPECT_TRUE(FileRequests().empty()) << "the header row does nothing";
        DoubleClick(grid(), 2, 1);
        EXPECT_EQ(FileRequests().size(), 1u);
        EXPECT_FALSE(dialog()->isVisible());
    });
    EXPECT_TRUE(w->windowTitle().endsWith(Local("Piano/one.TMV"))) << w->windowTitle().toStdString();
    EXPECT_TRUE(ui->messages.empty()) << "no completion message on a double click";

    // A marked row opens without a request.
    service->ClearRequests();
    Show([&] {
        ASSERT_EQ(grid()->Cell(1, 1), QString::fromStdString(kDownloaded));
        DoubleClick(grid(), 2, 1);
    });
    EXPECT_TRUE(FileRequests().empty());

    // Open needs a downloaded copy.
    QFile::remove(Local("Piano/one.TMV"));
    Show([&] {
        ASSERT_TRUE(grid()->Cell(1, 1).isEmpty());
        ChooseRows(grid(), {1});
        dialog()->popupOpen->trigger();
        EXPECT_EQ(ui->messages.back().text,
                  QStringLiteral("It failed in reading the project. Please download the project file."));
        Close();
    });
}

TEST_F(PrjDownloadTest, UnsafeNamesAndBadBodiesNeverReplaceTheLocalCopy) {
    const QByteArray old = MakeProjectFile(root->file(QStringLiteral("old.TMV")), QStringLiteral("Old"));
    struct Case {
        const char* what;
        std::string category, name;
        fake::FakeReply reply;
        const char* cause; // after the file below the message; null: libcurl's words
    };
    fake::FakeReply cut = fake::FakeReply::Text(archive.toStdString());
    cut.truncateAt = static_cast<size_t>(archive.size() / 2);
    const char* const refused = "a name that no library file may have";
    const char* const notArchive = "the service's reply is not a sound project archive";
    const Case cases[] = {
        {"category ..", "..", "one.TMV", fake::FakeReply::Text(archive.toStdString()), refused},
        {"name climbing out", "Piano", "../../evil.TMV", fake::FakeReply::Text(archive.toStdString()),
         refused},
        {"backslash", "Piano", "a\\b.TMV", fake::FakeReply::Text(archive.toStdString()), refused},
        {"empty category", "", "one.TMV", fake::FakeReply::Text(archive.toStdString()), refused},
        {"dot", "Piano", ".", fake::FakeReply::Text(archive.toStdString()), refused},
        {"control character", "Pi\x07no", "one.TMV", fake::FakeReply::Text(archive.toStdString()), refused},
        {"error page", "Piano", "one.TMV", fake::FakeReply::Text("<html><body>Internal error</body></html>"),
         notArchive},
        {"truncated archive", "Piano", "one.TMV",
         fake::FakeReply::Text(archive.left(archive.size() / 2).toStdString()), notArchive},
        {"connection cut", "Piano", "one.TMV", cut, nullptr},
        {"HTTP error with an archive", "Piano", "one.TMV",
         fake::FakeReply::Status(500, archive.toStdString()), "HTTP status 500"},
        {"service unavailable", "Piano", "one.TMV", fake::FakeReply::Status(503, "<html>busy</html>"),
         "HTTP status 503"},
        {"empty body", "Piano", "one.TMV", fake::FakeReply::Text(""), notArchive},
    };
    WriteBytes(Local("Piano/one.TMV"), old);
    const QStringList before = FilesBelow(root->path());
    w->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui->messages.clear();
        const std::string list = Record({"17", "One", c.category, c.name, archive, ""}) + "\r\n";
        service->SetHandler("getProjectInfo", [&](const fake::FakeRequest& r) {
            return r.Field("OP_KBN") == "2" ? c.reply : fake::FakeReply::Text(list);
        });
        Show([&] {
            ChooseRows(grid(), {1});
            dialog()->popupDownload->trigger();
            ASSERT_EQ(ui->messages.size(), 1u);
            // The table's text, then the file and the cause on a line of their own.
            const QStringList lines = ui->messages[0].text.split(QLatin1Char('\n'));
            ASSERT_EQ(lines.size(), 2) << ui->messages[0].text.toStdString();
            EXPECT_EQ(lines[0], QStringLiteral("Unable to connect the server, please double check the URL."));
            const QString file = c.cause == refused ? QString::fromStdString(c.category + "/" + c.name)
                                                    : Local(QStringLiteral("Piano/one.TMV"));
            if (c.cause)
                EXPECT_EQ(lines[1], file + QStringLiteral(": ") + QString::fromUtf8(c.cause));
            else
                EXPECT_TRUE(lines[1].startsWith(file + QStringLiteral(": ")) &&
                            lines[1].size() > file.size() + 2)
                    << lines[1].toStdString();
            EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
            EXPECT_TRUE(grid()->Cell(1, 1).isEmpty()) << "no mark";
            EXPECT_FALSE(dialog()->ProgressBar1->isVisible());
            Close();
        });
        EXPECT_EQ(ReadBytes(Local("Piano/one.TMV")), old) << "the old copy stays";
        EXPECT_EQ(FilesBelow(root->path()), before) << "nothing written, nothing left behind";
    }
}

TEST_F(PrjDownloadTest, ARefusedConnectionNamesTheFileAndTheCause) {
    Serve({{"17", "One", "Piano", "one.TMV", archive, ""}});
    w->show();
    Show([&] {
        // The list came; the service is gone before the download.
        service->Stop();
        ChooseRows(grid(), {1});
        dialog()->popupDownload->trigger();
        ASSERT_EQ(ui->messages.size(), 1u);
        const QString prefix =
            QStringLiteral("Unable to connect the server, please double check the URL.\n") +
            Local(QStringLiteral("Piano/one.TMV")) + QStringLiteral(": ");
        EXPECT_TRUE(ui->messages[0].text.startsWith(prefix)) << ui->messages[0].text.toStdString();
        EXPECT_TRUE(ui->messages[0].text.contains(QStringLiteral("onnect")))
            << ui->messages[0].text.toStdString();
        Close();
    });
    EXPECT_FALSE(QFileInfo::exists(Local(QStringLiteral("Piano/one.TMV"))));
}

TEST_F(PrjDownloadTest, CancelledDownloadLeavesNothingBehind) {
    // A slow reply: pieces of 64 KiB, 20 ms apart.
    fake::FakeReply slow = fake::FakeReply::Text(archive.toStdString() + std::string(4 << 20, 'x'));
    slow.chunkDelay = std::chrono::milliseconds(20);
    service->SetHandler("getProjectInfo", [&](const fake::FakeRequest& r) {
        return r.Field("OP_KBN") == "2"
                   ? slow
                   : fake::FakeReply::Text(Record({"17", "One", "Piano", "one.TMV", archive, ""}));
    });
    WriteBytes(Local("Piano/keep.TMV"), archive);
    const QStringList before = FilesBelow(library);
    w->show();
    Show([&] {
        bool sawProgress = false;
        QTimer watch;
        // Runs while the download is under way: the window keeps handling its events.
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (dialog()->ProgressBar1->value() > 0 && dialog()->btnCancelTransfer->isVisible()) {
                sawProgress = true;
                watch.stop();
                EXPECT_EQ(FilesBelow(library).size(), before.size() + 1)
                    << "a temporary file is being written";
                QTest::mouseClick(dialog()->btnCancelTransfer, Qt::LeftButton);
            }
        });
        watch.start(5);
        ChooseRows(grid(), {1});
        dialog()->popupDownload->trigger();
        EXPECT_TRUE(sawProgress);
        EXPECT_TRUE(ui->messages.empty()) << "a cancel is no failure";
        EXPECT_FALSE(dialog()->ProgressBar1->isVisible());
        EXPECT_TRUE(grid()->Cell(1, 1).isEmpty());
        Close();
    });
    EXPECT_EQ(FilesBelow(library), before);
}

TEST_F(PrjDownloadTest, HistoryChoosesTheRememberedFields) {
    ASSERT_TRUE(CreateSettingsFolder());
    {
        tamvik::IniFile history(SettingsFolderPath() + "history.ini", tamvik::IniFile::Encoding::Utf8);
        history.WriteString("History", "Titile", "Tone");
        history.WriteString("History", "Difficult", "3");
        history.WriteString("History", "Category", "piano");
        history.WriteString("History", "CategoryId", "1");
        history.WriteString("History", "Scenario", "BASICS");
        history.WriteString("History", "Times", "2");
        ASSERT_TRUE(history.UpdateFile());
    }
    w->show();
    Show([&] {
        EXPECT_EQ(dialog()->TitleEdit->text(), QStringLiteral("Tone"));
        EXPECT_EQ(dialog()->CategoryComboBox->currentText(), QStringLiteral("Piano"));
        EXPECT_EQ(dialog()->cbScenario->currentText(), QStringLiteral("Basics"));
        EXPECT_EQ(dialog()->cbTimes->count(), 4) << "the empty item and 1 to 3";
        EXPECT_EQ(dialog()->cbTimes->currentText(), QStringLiteral("2"));
        const auto search = service->Last("getProjectInfo");
        EXPECT_EQ(search.Field("CATEGORY_SEQ"), "1");
        EXPECT_EQ(search.Field("DIFFICULTY"), "3");
        EXPECT_EQ(search.Field("SCENARIO_ID"), "S1");
        EXPECT_EQ(search.Field("EXPT_NO"), "2");
        Close();
    });
    // A category the service no longer lists is not chosen.
    service->SetReply("searchCategoryList", "CATEGORY_SEQ=2,CATEGORY_NAME=Voice\r\n");
    Show([&] {
        EXPECT_EQ(dialog()->CategoryComboBox->currentIndex(), -1);
        const auto search = service->Last("getProjectInfo");
        EXPECT_EQ(search.Field("CATEGORY_SEQ"), "");
        EXPECT_EQ(search.Field("CATEGORY_NAME"), "");
        Close();
    });
}

// A search that finds the service down says so and leaves Search usable: the next click
// searches again, whether the first search of the showing failed or a later one.
TEST_F(PrjDownloadTest, AFailedSearchCanBeRepeated) {
    Serve({{"17", "One", "Piano", "one.TMV", archive, ""}});
    service->QueueReply("getProjectInfo", fake::FakeReply::Status(500));
    w->show();
    Show([&] {
        EXPECT_EQ(ShownHeadlines(), QStringList{"Unable to connect the server, please double check the URL."});
        EXPECT_TRUE(Column(grid(), 2).isEmpty());
        ASSERT_TRUE(dialog()->searchBtn->isEnabled()) << "after the first search of the showing";
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_EQ(Column(grid(), 2), QStringList{"One"});

        service->QueueReply("getProjectInfo", fake::FakeReply::Status(500));
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_EQ(ui->messages.size(), 2u);
        EXPECT_EQ(Column(grid(), 2), QStringList{"One"}) << "the rows stay as they were";
        ASSERT_TRUE(dialog()->searchBtn->isEnabled()) << "after a search with the button";
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_EQ(ui->messages.size(), 2u);
        Close();
    });
    EXPECT_EQ(Searches(), 4u);
}

// Escape during a search stops it and closes the dialog, as a close does during a download.
TEST_F(PrjDownloadTest, EscapeDuringASearchClosesTheDialog) {
    Serve({{"17", "One", "Piano", "one.TMV", archive, ""}});
    w->show();
    Show([&] {
        service->QueueReply("getProjectInfo", fake::FakeReply::Delayed(std::chrono::seconds(30), ""));
        const size_t before = Searches();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (Searches() > before) {
                watch.stop();
                // The key goes where the keyboard focus is, as a user's would.
                QTest::keyClick(dialog()->focusWidget() ? dialog()->focusWidget() : dialog(), Qt::Key_Escape);
            }
        });
        watch.start(5);
        QTest::mouseClick(dialog()->searchBtn, Qt::LeftButton);
        EXPECT_FALSE(dialog()->isVisible());
    });
    EXPECT_TRUE(ui->messages.empty()) << "a cancel is no failure";
}

// The first search of a showing refused by the service closes the dialog, and the command
// returns (a close from inside the showing once left the modal loop running for ever).
TEST_F(PrjDownloadTest, ARefusedFirstSearchClosesTheDialog) {
    service->SetReply("getProjectInfo", "API_RESULT=1,API_MESSAGE=E00031");
    w->show();
    EXPECT_TRUE(CommandReturns("projectDownload"));
    EXPECT_EQ(ShownTexts(), QStringList{"Could not be verified. Please double check \"Password\" and "
                                        "\"Administrator ID\"."});
    EXPECT_FALSE(dialog()->isVisible());
}

TEST_F(PrjDownloadTest, MissingLoginStopsTheSetUp) {
    w->show();
    ASSERT_TRUE(SaveOptionSettings(library, QString::fromStdString(service->BaseUrl()),
                                   QStringLiteral("user"), QString(), QStringLiteral("0"), QString(),
                                   QString()));
    Show([&] {
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
        EXPECT_FALSE(dialog()->searchBtn->isEnabled());
        EXPECT_FALSE(dialog()->AllsyncBtn->isEnabled());
        EXPECT_FALSE(dialog()->CategorySyncBtn->isEnabled());
        Close();
    });
    EXPECT_EQ(service->Count("searchScenarioList"), 0u);
}

TEST_F(PrjDownloadTest, SynchronisationFetchesEveryListedProject) {
    const QByteArray second = MakeProjectFile(root->file(QStringLiteral("b.TMV")), QStringLiteral("B"));
    Serve({{"1", "A", "Piano", "a.TMV", archive, ""},
           {"2", "B", "Piano", "b.TMV", second, ""},
           {"3", "C", "Strings", "c.TMV", archive, ""},
           {"4", "D", "Strings", "d.TMV", second, ""}});
    WriteBytes(Local("Piano/a.TMV"), "stale");
    WriteBytes(Local("Piano/local-only.TMV"), "mine");
    w->show();
    Show([&] {
        const size_t searches = Searches();
        QTest::mouseClick(dialog()->AllsyncBtn, Qt::LeftButton);
        const auto list = service->Requests("getProjectInfo")[searches];
        EXPECT_EQ(list.rawBody, "USER_ID=user&USER_PWD=secret&OP_KBN=1") << "no language, no filter";
        EXPECT_EQ(FileRequests().size(), 4u);
        EXPECT_EQ(ReadBytes(Local("Piano/a.TMV")), archive) << "downloaded again";
        EXPECT_EQ(ReadBytes(Local("Strings/d.TMV")), second) << "the missing category folder is made";
        EXPECT_EQ(ReadBytes(Local("Piano/local-only.TMV")), QByteArray("mine"));
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].text, QStringLiteral("The download of the project file is completed."));
        EXPECT_EQ(Searches(), searches + 2) << "the list, then the refreshing search";
        EXPECT_EQ(Column(grid(), 1), QStringList(4, QString::fromStdString(kDownloaded)));

        // One category needs a chosen category.
        ui->messages.clear();
        service->ClearRequests();
        QTest::mouseClick(dialog()->CategorySyncBtn, Qt::LeftButton);
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Please select a category."));
        EXPECT_EQ(service->Count("getProjectInfo"), 0u);
        dialog()->CategoryComboBox->setCurrentIndex(2);
        QTest::mouseClick(dialog()->CategorySyncBtn, Qt::LeftButton);
        EXPECT_EQ(service->Requests("getProjectInfo")[0].Field("CATEGORY_SEQ"), "2");

        // A failing file: the ones before stay, the rest is not fetched.
        ui->messages.clear();
        service->ClearRequests();
        std::remove(Local("Piano/a.TMV").toLocal8Bit().constData());
        WriteBytes(Local("Piano/b.TMV"), "old b");
        service->SetHandler("getProjectInfo", [&](const fake::FakeRequest& r) {
            if (r.Field("OP_KBN") == "1")
                return fake::FakeReply::Text("PROJECT_SEQ=1,CATEGORY_NAME=Piano,PROJECT_NAME=a.TMV\r\n"
                                             "PROJECT_SEQ=2,CATEGORY_NAME=Piano,PROJECT_NAME=b.TMV\r\n"
                                             "PROJECT_SEQ=3,CATEGORY_NAME=Piano,PROJECT_NAME=c.TMV\r\n");
            return r.Field("PROJECT_SEQ") == "2" ? fake::FakeReply::Status(500)
                                                 : fake::FakeReply::Text(archive.toStdString());
        });
        QTest::mouseClick(dialog()->AllsyncBtn, Qt::LeftButton);
        EXPECT_EQ(FileRequests().size(), 2u);
        EXPECT_EQ(ReadBytes(Local("Piano/a.TMV")), archive);
        EXPECT_EQ(ReadBytes(Local("Piano/b.TMV")), QByteArray("old b"));
        EXPECT_FALSE(QFile::exists(Local("Piano/c.TMV")));
        EXPECT_EQ(ui->messages.back().text,
                  QStringLiteral("Unable to connect the server, please double check the URL.\n") +
                      Local(QStringLiteral("Piano/b.TMV")) + QStringLiteral(": HTTP status 500"));

        // An empty library: no message, no refresh.
        ui->messages.clear();
        service->ClearRequests();
        service->SetReply("getProjectInfo", "");
        service->SetHandler("getProjectInfo", nullptr);
        QTest::mouseClick(dialog()->AllsyncBtn, Qt::LeftButton);
        EXPECT_EQ(service->Count("getProjectInfo"), 1u);
        EXPECT_TRUE(ui->messages.empty());

        // A missing library folder: nothing is asked.
        QDir(library).removeRecursively();
        service->ClearRequests();
        QTest::mouseClick(dialog()->AllsyncBtn, Qt::LeftButton);
        EXPECT_EQ(
            ui->messages.back().text,
            QStringLiteral("Project file storage folder does not exist, please double check the settings."));
        EXPECT_EQ(service->Count("getProjectInfo"), 0u);
        Close();
    });
}

TEST_F(PrjDownloadTest, DeleteSendsTheChosenProjectsAndKeepsTheSortOrder) {
    Serve({{"17", "Charlie", "Piano", "c.TMV", archive, ""},
           {"4", "Alpha", "Piano", "a.TMV", archive, ""},
           {"33", "Bravo", "Piano", "b.TMV", archive, ""}});
    // The refill marks copies that can be read and written, whatever their size.
    WriteBytes(Local("Piano/a.TMV"), "other size");
    service->SetReply(
        "deleteProjectInfo",
        "PROJECT_TITLE=Bravo,DIFFICULTY=1,CATEGORY_NAME=Piano,CONTENT=x,PROJECT_NAME=b.TMV,PROJECT_SEQ=33\r\n"
        "PROJECT_TITLE=Alpha,DIFFICULTY=1,CATEGORY_NAME=Piano,CONTENT=x,PROJECT_NAME=a.TMV,PROJECT_SEQ="
        "4\r\n");
    w->show();
    ASSERT_TRUE(dialog()->popupDelete->isVisible());
    Show([&] {
        ChooseRows(grid(), {1, 2, 3});
        ui->answers.push_back(UiServices::Answer::Cancel);
        dialog()->popupDelete->trigger();
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Is it ok to delete?"));
        EXPECT_EQ(service->Count("deleteProjectInfo"), 0u) << "Cancel sends nothing";

        // Sorted by title, then deleted: the refill is sorted by title again.
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, CellCentre(grid(), 2, 0));
        ChooseRows(grid(), {1, 2, 3});
        dialog()->popupDelete->trigger();
        ASSERT_EQ(service->Count("deleteProjectInfo"), 1u);
        const auto del = service->Last("deleteProjectInfo");
        EXPECT_EQ(del.FieldNames(),
                  (std::vector<std::string>{"USER_ID", "USER_PWD", "CATEGORY_SEQ", "DIFFICULTY",
                                            "PROJECT_TITLE", "CATEGORY_NAME", "PROJECT_SEQ"}));
        EXPECT_EQ(del.Field("PROJECT_SEQ"), "4,33,17,");
        EXPECT_EQ(Column(grid(), 2), (QStringList{"Alpha", "Bravo"}));
        EXPECT_EQ(Column(grid(), 0), (QStringList{"1", "2"}));
        EXPECT_EQ(Column(grid(), 1), (QStringList{QString::fromStdString(kDownloaded), ""}))
            << "a copy of another size is marked, a missing one is not";
        EXPECT_TRUE(QFile::exists(Local("Piano/a.TMV"))) << "local copies stay";
        Close();
    });
}

TEST_F(PrjDownloadTest, DeleteSendsProjectSequencesInRowOrderWithATrailingComma) {
    Serve({{"17", "One", "Piano", "1.TMV", archive, ""},
           {"4", "Two", "Piano", "2.TMV", archive, ""},
           {"33", "Three", "Piano", "3.TMV", archive, ""}});
    w->show();
    Show([&] {
        ChooseRows(grid(), {1, 2, 3});
        dialog()->popupDelete->trigger();
        EXPECT_EQ(service->Last("deleteProjectInfo").Field("PROJECT_SEQ"), "17,4,33,");
        // Without a chosen row there is nothing to delete.
        grid()->clearSelection();
        ui->messages.clear();
        dialog()->popupDelete->trigger();
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("Please select a line."));
        EXPECT_EQ(service->Count("deleteProjectInfo"), 1u);
        Close();
    });
}
