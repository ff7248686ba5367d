// The main window's login and the switch of its commands between full rights and the
// restricted mode.
#include "CardUnit.h"
#include "MainUnit.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "ReplyRecord.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "TextTable.h"
#include "UserRights.h"

#include <QAction>

namespace {

// Long enough to be read; the panels come back afterwards.
constexpr int kLoginStatusMs = 10000;

bool NoCredential(const QString& value) {
    return value.isEmpty() || value == QLatin1String("0");
}

} // namespace

void TfrmMain::ConnectOnlineActions() {
    connect(actExecResult, &QAction::triggered, this, &TfrmMain::actExecResultExecute);
    ConnectLibraryActions();
}

void TfrmMain::AuthenticateUser() {
    QString folder, url, userId, password;
    LoadOptionSettings(folder, url, userId, password, false);
    // A port that is not a number leaves the client without a proxy.
    ApplyProxySettings(*IdHTTP1);
    if (NoCredential(userId) || NoCredential(password)) {
        loginAnnounced.clear();
        SetFullUser(false);
        return;
    }
    IdHTTP1->SetConnectTimeout(30000);
    IdHTTP1->SetReadTimeout(30000);
    const QStringList lines{FormLine(QStringLiteral("USER_ID"), userId),
                            FormLine(QStringLiteral("USER_PWD"), password)};
    QString reply;
    if (!PostServiceForm(*IdHTTP1, url + QStringLiteral("userAuth"), lines, reply).ok()) {
        loginAnnounced.clear();
        SetFullUser(false);
        ShowMessage("IDS_546", ServiceFailureDetail(*IdHTTP1), UiServices::Kind::Error);
        return;
    }
    const ReplyRecord record = ParseKeyValueText(reply);
    SetFullUser(ReplyTestE(reply, record));
    // The service took the account (with full or restricted rights). Told once per
    // account: the login runs again after every audition and test run.
    const bool accepted =
        !reply.isEmpty() && ReplyValue(record, QStringLiteral("API_RESULT")) != QLatin1String("1");
    const QString account = userId + QLatin1Char('@') + url;
    if (!accepted) {
        loginAnnounced.clear();
    } else if (account != loginAnnounced) {
        loginAnnounced = account;
        const QString service = url.endsWith(QStringLiteral("W0001/")) ? url.chopped(6) : url;
        stbInformation->showMessage(
            TextTable::Instance()
                .Text(QStringLiteral("TfrmMain"), QStringLiteral("(status: logged in)"))
                .arg(userId, service),
            kLoginStatusMs);
    }
}

void TfrmMain::SetFullUser(bool full) {
    // The rights table says what is switched, in which window, and how.
    fullUser = full;
    rightsSet = true;
    // A download window not made yet takes the rights when it is made.
    ApplyRights(RightsSet::Main,
                {this, frmPrjInfo, frmPrjDownload.Built() ? frmPrjDownload.Get() : nullptr, frmCard}, full);
}
