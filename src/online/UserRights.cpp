#include "UserRights.h"

#include "ActionLink.h"
#include "CardUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <map>

namespace {

using E = RightsEffect;
constexpr RightsSet M = RightsSet::Main;

// The main window's rights, in the order they are set.
const std::vector<RightsRow> kTable = {
    {M, "TfrmMain", "popSdlListMenu", E::AutoPopup},
    {M, "TfrmMain", "tbtnFileNewPrj", E::Shown},
    {M, "TfrmMain", "mnuFileNewPrj", E::Shown},
    {M, "TfrmMain", "tbtnFileOpenPrj", E::Shown},
    {M, "TfrmMain", "mnuFileOpenPrj", E::Shown},
    {M, "TfrmMain", "tbtnFileSavePrj", E::Shown},
    {M, "TfrmMain", "mnuFileSavePrj", E::Shown},
    {M, "TfrmMain", "mnuFileSaveAsPrj", E::Shown},
    {M, "TfrmPrjInfo", "edtPrjTitle", E::Enabled},
    {M, "TfrmPrjInfo", "edtPrjUser", E::Enabled},
    {M, "TfrmPrjInfo", "edtPrjComment", E::Enabled},
    {M, "TfrmMain", "categoryManage", E::Shown},
    {M, "TfrmMain", "projectUpload", E::Shown},
    {M, "TfrmPrjDownload", "popupDelete", E::Shown},
    {M, "TfrmMain", "mnuFileRefer", E::Shown},
    {M, "TfrmMain", "mnuFileExport", E::Shown},
    {M, "TfrmMain", "mnuFilePrintSetting", E::Shown},
    {M, "TfrmMain", "tbtnFilePrint", E::Shown},
    {M, "TfrmMain", "mnuFilePrint", E::Shown},
    {M, "TfrmMain", "mnuSchedule", E::Shown},
    {M, "TfrmMain", "mnuExecResult", E::Shown},
    {M, "TfrmMain", "tbtnResult", E::Shown},
    {M, "TfrmMain", "mnuViewStmNum", E::Shown},
    {M, "TfrmMain", "pnlStmNumber", E::Shown},
    {M, "TfrmMain", "mnuViewSdlPrm", E::Shown},
    {M, "TfrmMain", "pnlSdlPrm", E::Shown},
    {M, "TfrmMain", "popStmListUndo", E::Shown},
    {M, "TfrmMain", "popStmListCut", E::Shown},
    {M, "TfrmMain", "popStmListCopy", E::Shown},
    {M, "TfrmMain", "popStmListPaste", E::Shown},
    {M, "TfrmMain", "popStmListClear", E::Shown},
    {M, "TfrmMain", "popStmListBatch", E::Shown},
    {M, "TfrmMain", "popStmListInsRow", E::Shown},
    {M, "TfrmMain", "popStmListDelRow", E::Shown},
    {M, "TfrmMain", "popStmListSelectAll", E::Shown},
    {M, "TfrmMain", "popStmListExportWav", E::Shown},
    {M, "TfrmMain", "popSdlListUndo", E::Shown},
    {M, "TfrmMain", "popSdlListCut", E::Shown},
    {M, "TfrmMain", "popSdlListCopy", E::Shown},
    {M, "TfrmMain", "popSdlListPaste", E::Shown},
    {M, "TfrmMain", "popSdlListClear", E::Shown},
    {M, "TfrmMain", "popSdlListBatch", E::Shown},
    {M, "TfrmMain", "popSdlListIns", E::Shown},
    {M, "TfrmMain", "popSdlListDel", E::Shown},
    // The grid's popup never offers rearranging by dialog; the Edit menu's List items do.
    {M, "TfrmMain", "popSdlListSortTrl", E::AlwaysOff},
    {M, "TfrmMain", "popSdlListSortPrs", E::AlwaysOff},
    {M, "TfrmMain", "popSdlTab", E::Shown},
    {M, "TfrmMain", "popSdlAllNew", E::Shown},
    {M, "TfrmMain", "popSdlCopyNew", E::Shown},
    {M, "TfrmMain", "popSdlRename", E::Shown},
    {M, "TfrmMain", "popSdlDelete", E::Shown},
    {M, "TfrmMain", "popSdlAllNew_a", E::Shown},
    {M, "TfrmMain", "popSdlCopyNew_a", E::Shown},
    {M, "TfrmMain", "popSdlRename_a", E::Shown},
    {M, "TfrmMain", "popSdlDelete_a", E::Shown},
    {M, "TfrmMain", "popSdlList", E::Shown},
    {M, "TfrmMain", "memExplain", E::Enabled},
    {M, "TfrmMain", "edtTrnBtnNum", E::Enabled},
    {M, "TfrmMain", "updTrnBtnNum", E::Enabled},
    {M, "TfrmMain", "asgdTrnBtn", E::Enabled},
    {M, "TfrmCard", "btnChange", E::Shown},
    {M, "TfrmCard", "edtDataFile", E::Visible},
    {M, "TfrmCard", "lblDataFile", E::Visible},
    {M, "TfrmCard", "sbtnExportWav", E::Shown},
    {M, "TfrmCard", "edtComment", E::Enabled},
    {M, "TfrmMain", "asgdStimulus", E::GridEditing},
    {M, "TfrmCard", "", E::CardChange},
};

// Commands are held and shown through their action; other controls directly.
void Switch(QObject* control, bool enabled, bool setEnabled, bool visible, bool setVisible) {
    if (QAction* command = CommandOf(control)) {
        if (setEnabled)
            HoldCommand(command, CommandHold::Rights, !enabled);
        if (setVisible)
            command->setVisible(visible);
    } else if (auto* widget = qobject_cast<QWidget*>(control)) {
        if (setEnabled)
            widget->setEnabled(enabled);
        if (setVisible)
            widget->setVisible(visible);
    }
}

} // namespace

const std::vector<RightsRow>& RightsTable() {
    return kTable;
}

namespace {

using NameIndex = QHash<QString, QObject*>;

// A window's objects by name, each name standing for what findChild would find: the
// first among an object's children, then among the children's descendants in order.
// One walk serves the whole table; a findChild per row walked the window again each time.
void IndexNames(const QObject* parent, NameIndex& names) {
    const QObjectList& children = parent->children();
    for (QObject* child : children)
        if (!names.contains(child->objectName()))
            names.insert(child->objectName(), child);
    for (QObject* child : children)
        IndexNames(child, names);
}

// The row's control in the window, from the window's index (made on first use).
QObject* LookUp(std::map<QObject*, NameIndex>& indexes, QObject* window, const RightsRow& row) {
    if (!window || !*row.control)
        return window;
    auto [at, made] = indexes.try_emplace(window);
    if (made)
        IndexNames(window, at->second);
    return at->second.value(QString::fromLatin1(row.control));
}

} // namespace

QObject* FindRightsControl(QObject* window, const RightsRow& row) {
    std::map<QObject*, NameIndex> indexes;
    return LookUp(indexes, window, row);
}

QStringList ApplyRights(RightsSet set, const QList<QObject*>& windows, bool full) {
    std::map<QObject*, NameIndex> indexes;
    QStringList unresolved;
    for (const RightsRow& row : kTable) {
        if (row.set != set)
            continue;
        QObject* window = nullptr;
        for (QObject* candidate : windows) {
            if (candidate && qstrcmp(candidate->metaObject()->className(), row.window) == 0)
                window = candidate;
        }
        if (!window)
            continue;
        QObject* control = LookUp(indexes, window, row);
        if (!control) {
            // A name that matches nothing would leave its control as it was: with full
            // rights for a restricted user. Said loudly, so the table gets mended.
            const QString name =
                QStringLiteral("%1.%2").arg(QLatin1String(row.window), QLatin1String(row.control));
            qCritical("rights table: no control %s", qPrintable(name));
            unresolved << name;
            continue;
        }
        switch (row.effect) {
        case E::Shown:
            Switch(control, full, true, full, true);
            break;
        case E::Enabled:
            Switch(control, full, true, false, false);
            break;
        case E::Visible:
            Switch(control, false, false, full, true);
            break;
        case E::AlwaysOff:
            // A menu item that stands for a command goes on its own: the command stays
            // offered through its other items.
            if (auto* item = qobject_cast<QAction*>(control); item && CommandOf(item) != item)
                item->setVisible(false);
            else
                Switch(control, false, true, false, true);
            break;
        case E::AutoPopup:
            control->setProperty("AutoPopup", true);
            break;
        case E::GridEditing:
            if (auto* grid = qobject_cast<StringGrid*>(control))
                grid->SetEditing(full);
            break;
        case E::CardChange:
            if (auto* card = qobject_cast<TfrmCard*>(control))
                card->changeAllowed = full;
            break;
        }
    }
    return unresolved;
}
