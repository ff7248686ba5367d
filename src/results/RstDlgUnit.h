#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QWidget;

// The totaling options: the layout of training and SD totals, or for the other methods
// whether trials must agree completely and whether equal subject IDs are averaged. Made
// once by the result window; its totaling command shows the panel of the project's method.
class TfrmRstDlg : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRstDlg(QWidget* owner);

    // Each showing starts from the first choice of every group; the check box keeps its state.
    void FormShow();
    void Relabel();

    QWidget* pnlTraining = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* rdbTrnType1 = nullptr;
    QRadioButton* rdbTrnType2 = nullptr;
    QRadioButton* rdbTrnType3 = nullptr;
    QWidget* pnlSD = nullptr;
    QGroupBox* grpSDTotalType = nullptr;
    QRadioButton* rdbSDType1 = nullptr;
    QRadioButton* rdbSDType2 = nullptr;
    QRadioButton* rdbSDType3 = nullptr;
    QWidget* pnlOther = nullptr;
    QGroupBox* grpTotalType = nullptr;
    QRadioButton* rdbComplete = nullptr;
    QRadioButton* rdbOrder = nullptr;
    QCheckBox* chkOverLap = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
