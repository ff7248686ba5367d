#pragma once

#include "ServiceClient.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// What every library dialog reads from Option.ini when it is shown.
struct LibraryLogin {
    QString projectFolder;
    QString serviceUrl; // the stored address followed by "W0001/"
    QString userId;
    QString userPassword;
};
LibraryLogin LoadLibraryLogin();

// The proxy of Option.ini and both time-outs, before a dialog's requests.
void PrepareLibraryClient(tamvik::ServiceClient& client, int timeoutMs);

// USER_ID and USER_PWD, the first lines of every library request.
QStringList CredentialLines(const LibraryLogin& login);

// Posts lines to serviceUrl + operation; true when a reply arrived, whose text is then in
// reply. A command's request keeps the dialog responsive (DialogTransfer), and its
// cancelControls (and Escape) stop it; the look-ups of a dialog's set-up (responsive false)
// run before the dialog takes any input.
bool PostLibraryForm(QWidget* dialog, tamvik::ServiceClient& client, const LibraryLogin& login,
                     const QString& operation, const QStringList& lines, QString& reply,
                     bool responsive = true, const QList<QWidget*>& cancelControls = {});
