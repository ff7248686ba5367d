#pragma once

#include "UiServices.h"

// The real dialogs: QMessageBox, QFileDialog, QInputDialog, QPrintDialog,
// QPageSetupDialog.
class QtUiServices : public UiServices {
public:
    Answer MessageText(QWidget* parent, const QString& text, const QString& caption, Kind kind,
                       Buttons buttons) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& path,
                         const QString& filter) override;
    QString SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                               const QString& filter, int& fileType) override;
    QString FolderName(QWidget* parent, const QString& caption, const QString& folder) override;
    bool InputBox(QWidget* parent, const QString& caption, const QString& prompt, QString& text) override;
    bool PrintDialog(QWidget* parent, QPrinter& printer, bool offerSelection, int pageCount) override;
    bool PrintSetup(QWidget* parent, QPrinter& printer) override;
};
