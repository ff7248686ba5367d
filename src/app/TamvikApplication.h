#pragma once

#include <QApplication>

class QTranslator;

// The program's application object: an exception that escapes an event handler ends at
// this boundary, where it is shown as an error message and the program goes on with the
// normal cursor. It also gives Qt's own texts (message-box buttons, file dialogs) the
// active interface language.
class TamvikApplication : public QApplication {
    Q_OBJECT
public:
    TamvikApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows what an escaped exception said.
    static void ShowException(const QString& what);
    // A later start that could hand nothing over says that the program runs already.
    static void ShowAlreadyRunning();

private:
    void FollowLanguage();

    QTranslator* m_qtTexts = nullptr; // installed while Japanese is active
};
