// File > Export > Experiment parameters and Questionnaire: the text reports of the open
// project written to a file the operator chooses.
#include "AtomicFile.h"
#include "Cexectable.h"
#include "EditorShared.h"
#include "FileFilter.h"
#include "MainUnit.h"
#include "ParameterPanelParts.h"
#include "ParameterReport.h"
#include "TextTable.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

ReportTexts MainWindowTexts() {
    ReportTexts texts;
    texts.text = [](const char* key) { return TfrmMain::Ids(key); };
    // The list separator that goes with the user's decimal separator.
    texts.listSeparator = DecimalSeparator() == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
    return texts;
}

// The save dialog shared with the project commands proposes its last name without the
// extension; the report goes to the chosen file whole or not at all.
void ExportReport(TfrmMain& w, QString& dialogPath, const std::function<QString()>& build) {
    QString start = dialogPath;
    const QFileInfo last(start);
    if (!start.isEmpty() && !last.suffix().isEmpty())
        start = last.dir().filePath(last.completeBaseName());
    const QString chosen = UiServices::Get().SaveFileNameAsking(
        &w, QString(), start, DialogFilter(TfrmMain::Ids("IDS_540")), QStringLiteral("txt"));
    if (chosen.isEmpty())
        return;
    dialogPath = chosen;
    if (!tamvik::WriteFileAtomically(chosen, ReportFileBytes(build()))) {
        const QString text =
            TextTable::Instance()
                .Text(QStringLiteral("TfrmMain"), QStringLiteral("(message: report not written)"))
                .arg(QDir::toNativeSeparators(chosen));
        UiServices::Get().MessageText(&w, text, QStringLiteral("Tamvik"), UiServices::Kind::Error,
                                      UiServices::Buttons::Ok);
    }
}

} // namespace

QString TfrmMain::BuildParameterText() {
    return BuildParameterReport(project.GetFileName(), *project.GetExperimentParameter(),
                                *project.GetInstruction(), MainWindowTexts());
}

QString TfrmMain::BuildQuestionnaireText() {
    return BuildQuestionnaireReport(project.GetFileName(), *project.GetQuestionnaire(), MainWindowTexts());
}

void TfrmMain::actFileExportPrmExecute() {
    ExportReport(*this, saveDialogPath, [this] { return BuildParameterText(); });
}

void TfrmMain::actFileExportQstExecute() {
    ExportReport(*this, saveDialogPath, [this] { return BuildQuestionnaireText(); });
}

void ConnectParameterReports(TfrmMain& w) {
    QObject::connect(w.actFileExportPrm, &QAction::triggered, &w, &TfrmMain::actFileExportPrmExecute);
    QObject::connect(w.actFileExportQst, &QAction::triggered, &w, &TfrmMain::actFileExportQstExecute);
}
