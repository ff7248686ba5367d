#include "LibraryRequest.h"

#include "DialogTransfer.h"
#include "OptionIni.h"
#include "ServiceForm.h"

LibraryLogin LoadLibraryLogin() {
    LibraryLogin login;
    LoadOptionSettings(login.projectFolder, login.serviceUrl, login.userId, login.userPassword, false);
    return login;
}

void PrepareLibraryClient(tamvik::ServiceClient& client, int timeoutMs) {
    // A port that is not a number leaves the client without a proxy.
    ApplyProxySettings(client);
    client.SetConnectTimeout(timeoutMs);
    client.SetReadTimeout(timeoutMs);
}

QStringList CredentialLines(const LibraryLogin& login) {
    return {FormLine(QStringLiteral("USER_ID"), login.userId),
            FormLine(QStringLiteral("USER_PWD"), login.userPassword)};
}

bool PostLibraryForm(QWidget* dialog, tamvik::ServiceClient& client, const LibraryLogin& login,
                     const QString& operation, const QStringList& lines, QString& reply, bool responsive,
                     const QList<QWidget*>& cancelControls) {
    if (!responsive)
        return PostServiceForm(client, login.serviceUrl + operation, lines, reply).ok();
    DialogTransfer transfer(dialog, client, cancelControls);
    return PostServiceForm(client, login.serviceUrl + operation, lines, reply).ok();
}
