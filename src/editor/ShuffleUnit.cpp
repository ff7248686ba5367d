#include "ShuffleUnit.h"

TfrmShuffle::TfrmShuffle(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmShuffle"));
}
