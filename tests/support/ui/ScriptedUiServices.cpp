#include "ScriptedUiServices.h"

#include <QApplication>
#include <QPrinter>

UiServices::Answer ScriptedUiServices::MessageText(QWidget*, const QString& text, const QString& caption,
                                                   Kind kind, Buttons buttons) {
    messages.push_back({text, caption, kind, buttons, QApplication::overrideCursor() != nullptr});
    if (answers.empty())
        return Answer::Ok;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedUiServices::NextFileName(const QString& caption, const QString& start,
                                         const QString& filter) {
    fileDialogCaptions << caption;
    fileDialogStarts << start;
    fileDialogFilters << filter;
    if (fileNames.empty())
        return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedUiServices::OpenFileName(QWidget*, const QString& caption, const QString& folder,
                                         const QString& filter) {
    return NextFileName(caption, folder, filter);
}

QString ScriptedUiServices::SaveFileName(QWidget*, const QString& caption, const QString& path,
                                         const QString& filter) {
    return NextFileName(caption, path, filter);
}

QString ScriptedUiServices::SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                                               const QString& filter, int& fileType) {
    const QString chosen = UiServices::SaveFileNameOfType(parent, caption, path, filter, fileType);
    if (!fileTypes.empty()) {
        fileType = fileTypes.front();
        fileTypes.pop_front();
    }
    return chosen;
}

QString ScriptedUiServices::FolderName(QWidget*, const QString& caption, const QString& folder) {
    return NextFileName(caption, folder, QString());
}

bool ScriptedUiServices::InputBox(QWidget*, const QString&, const QString&, QString& text) {
    if (inputs.empty())
        return false;
    text = inputs.front();
    inputs.pop_front();
    return true;
}

bool ScriptedUiServices::PrintDialog(QWidget*, QPrinter& printer, bool offerSelection, int pageCount) {
    printOfferedSelection = offerSelection;
    printPageCount = pageCount;
    if (printAccepted && offerSelection && printChoosesSelection)
        printer.setPrintRange(QPrinter::Selection);
    return printAccepted;
}

bool ScriptedUiServices::PrintSetup(QWidget*, QPrinter&) {
    ++printSetupsShown;
    return printAccepted;
}
