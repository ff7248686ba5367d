#pragma once

#include "UiServices.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// UiServices for window tests: answers come from queues the test fills (Ok, empty names
// and cancelled inputs when a queue is empty), and every dialog shown is recorded.
class ScriptedUiServices : public UiServices {
public:
    struct Shown {
        QString text;
        QString caption;
        Kind kind;
        Buttons buttons;
        // Shown while a busy cursor was set: the user would see the hourglass over it.
        bool underBusyCursor = false;
    };

    ScriptedUiServices() { UiServices::Install(this); }
    ~ScriptedUiServices() override { UiServices::Install(nullptr); }

    std::deque<Answer> answers;
    std::deque<QString> fileNames; // open, save and folder dialogs, in the order asked
    std::deque<int> fileTypes;     // types chosen in save dialogs over several types
    std::deque<QString> inputs;    // input boxes; a missing entry is a cancel
    bool printAccepted = false;
    bool printChoosesSelection = false; // taken only when the dialog offers it
    bool printOfferedSelection = false; // what the last print dialog offered
    int printPageCount = 0;
    int printSetupsShown = 0; // page settings dialogs, answered like the print dialog

    std::vector<Shown> messages;
    QStringList fileDialogCaptions;
    QStringList fileDialogStarts;  // the path or folder each file dialog was given
    QStringList fileDialogFilters; // empty for folder dialogs

    Answer MessageText(QWidget*, const QString& text, const QString& caption, Kind kind,
                       Buttons buttons) override;
    QString OpenFileName(QWidget*, const QString& caption, const QString&, const QString&) override;
    QString SaveFileName(QWidget*, const QString& caption, const QString&, const QString&) override;
    QString SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                               const QString& filter, int& fileType) override;
    QString FolderName(QWidget*, const QString& caption, const QString&) override;
    bool InputBox(QWidget*, const QString&, const QString&, QString& text) override;
    bool PrintDialog(QWidget*, QPrinter& printer, bool offerSelection, int pageCount) override;
    bool PrintSetup(QWidget*, QPrinter&) override;

private:
    QString NextFileName(const QString& caption, const QString& start, const QString& filter);
};
