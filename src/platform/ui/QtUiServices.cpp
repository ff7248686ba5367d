#include "QtUiServices.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>

UiServices::Answer QtUiServices::MessageText(QWidget* parent, const QString& text, const QString& caption,
                                             Kind kind, Buttons buttons) {
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case Kind::Error:
        icon = QMessageBox::Critical;
        break;
    case Kind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
    case Buttons::Ok:
        standard = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(icon, caption, text, standard, parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString QtUiServices::OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtUiServices::SaveFileName(QWidget* parent, const QString& caption, const QString& path,
                                   const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, path, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtUiServices::SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                                         const QString& filter, int& fileType) {
    const QStringList types = filter.split(QStringLiteral(";;"));
    QString selected = fileType >= 1 && fileType <= types.size() ? types[fileType - 1] : QString();
    const QString chosen = QFileDialog::getSaveFileName(parent, caption, path, filter, &selected,
                                                        QFileDialog::DontConfirmOverwrite);
    const qsizetype index = types.indexOf(selected);
    if (!chosen.isEmpty() && index >= 0)
        fileType = static_cast<int>(index) + 1;
    return chosen;
}

QString QtUiServices::FolderName(QWidget* parent, const QString& caption, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

bool QtUiServices::InputBox(QWidget* parent, const QString& caption, const QString& prompt, QString& text) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
    if (ok)
        text = answer;
    return ok;
}

bool QtUiServices::PrintDialog(QWidget* parent, QPrinter& printer, bool offerSelection, int pageCount) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (pageCount > 0)
        dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

bool QtUiServices::PrintSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
