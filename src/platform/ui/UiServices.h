#pragma once

#include <QString>

class QPrinter;
class QWidget;

// Every dialog the windows show goes through this interface, so that window tests can
// script the user's answers and check what was shown. Production uses QtUiServices.
class UiServices {
public:
    enum class Kind { Information, Warning, Error, Confirmation };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UiServices() = default;

    // A message box with a text of the window's text table in the current language.
    Answer Message(QWidget* parent, const QString& window, const QString& key, Kind kind,
                   Buttons buttons = Buttons::Ok);
    // The same with what failed on a line of its own below the table text: the file or
    // address and the cause ("<file>: <cause>"). An empty detail adds nothing.
    Answer Message(QWidget* parent, const QString& window, const QString& key, const QString& detail,
                   Kind kind, Buttons buttons = Buttons::Ok);
    // text, then detail on a line of its own when there is one.
    static QString WithDetail(const QString& text, const QString& detail);
    // A message box with a ready-made text (a table text with values filled in).
    virtual Answer MessageText(QWidget* parent, const QString& text, const QString& caption, Kind kind,
                               Buttons buttons) = 0;

    // File and folder dialogs give an empty text when cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // The save dialog leaves the question about an existing file to SaveFileNameAsking.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& path,
                                 const QString& filter) = 0;
    // A save dialog with a default extension: a name chosen without an extension gets it,
    // and a file that exists already is replaced only when the user says so; empty when
    // cancelled or not to be replaced.
    QString SaveFileNameAsking(QWidget* parent, const QString& caption, const QString& path,
                               const QString& filter, const QString& defaultSuffix);
    // True when no file is at path, or the user says to replace it.
    bool MayReplace(QWidget* parent, const QString& path);
    // A save dialog over several file types (filter: the types separated by ";;"):
    // fileType is the type proposed on entry and the one chosen on return, counted from 1.
    // The default takes the type from the chosen name's extension. Empty when cancelled.
    virtual QString SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                                       const QString& filter, int& fileType);
    virtual QString FolderName(QWidget* parent, const QString& caption, const QString& folder) = 0;
    // False when cancelled; text holds the default on entry and the answer on return.
    virtual bool InputBox(QWidget* parent, const QString& caption, const QString& prompt, QString& text) = 0;
    // False when cancelled. offerSelection adds the choice to print the selection only
    // (answered through printer.printRange()); pageCount, when above 0, bounds the range.
    virtual bool PrintDialog(QWidget* parent, QPrinter& printer, bool offerSelection = false,
                             int pageCount = 0) = 0;
    // The printer's page settings (paper, orientation, margins); false when cancelled.
    virtual bool PrintSetup(QWidget* parent, QPrinter& printer) = 0;

    // The process's services; tests install their own.
    static UiServices& Get();
    static void Install(UiServices* services); // nullptr goes back to QtUiServices
};
