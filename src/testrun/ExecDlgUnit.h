#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The choice of trials for one pass of a test run: all, a range text, or the first n
// after a shuffle. The test-run window makes it once and keeps its contents between
// passes.
class TfrmExecDlg : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExecDlg(QWidget* owner);

    void FormShow();
    void rdbAllClick();
    void rdbRangeClick();

    QGroupBox* grpRange = nullptr;
    QRadioButton* rdbAll = nullptr;
    QRadioButton* rdbRange = nullptr;
    QLineEdit* edtRange = nullptr;
    QRadioButton* rdbRandom = nullptr;
    QLineEdit* edtRandomRange = nullptr;
    QCheckBox* chkClear = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Relabel();
    // The range edit takes digits, and ',' or '-' only between numbers.
    bool AcceptRangeKey(const QString& text);
};
