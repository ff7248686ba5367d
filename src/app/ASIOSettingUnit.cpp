#include "ASIOSettingUnit.h"
#include "FormParts.h"

#include "TextTable.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Caption(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmASIOSetting"), QString::fromLatin1(key));
}

// A hint given in Japanese only stands for both languages.
QString Hint(const char* key) {
    const QString text = Caption(key);
    return text.isEmpty()
               ? TextTable::Instance().Text(QStringLiteral("TfrmASIOSetting"), QString::fromLatin1(key),
                                            TextTable::Language::Japanese)
               : text;
}

} // namespace

TfrmASIOSetting::TfrmASIOSetting(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("frmASIOSetting"));
    setWindowTitle(Caption("Caption"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(Caption("stxDeviceName.Label"), this), 0, 0);
    stxDeviceName = Named(new QLabel(this), "stxDeviceName");
    stxDeviceName->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(stxDeviceName, 0, 1);
    layout->addWidget(new QLabel(Caption("lstOutputOrder.Label"), this), 1, 0, Qt::AlignTop);
    lstOutputOrder = Named(new QListWidget(this), "lstOutputOrder");
    lstOutputOrder->setSelectionMode(QAbstractItemView::SingleSelection);
    lstOutputOrder->viewport()->installEventFilter(this);
    layout->addWidget(lstOutputOrder, 1, 1);

    auto* side = new QVBoxLayout;
    sbtnUp = Named(new QToolButton(this), "sbtnUp");
    sbtnUp->setArrowType(Qt::UpArrow);
    sbtnUp->setToolTip(Hint("sbtnUp.Hint"));
    sbtnDown = Named(new QToolButton(this), "sbtnDown");
    sbtnDown->setArrowType(Qt::DownArrow);
    sbtnDown->setToolTip(Hint("sbtnDown.Hint"));
    sbtnInitialize = Named(new QToolButton(this), "sbtnInitialize");
    sbtnInitialize->setText(Caption("sbtnInitialize"));
    side->addWidget(sbtnUp);
    side->addWidget(sbtnDown);
    side->addStretch();
    side->addWidget(sbtnInitialize);
    layout->addLayout(side, 1, 2);

    auto* buttons = MakeOkCancelRow(this, Caption("btnOK"), Caption("btnCancel"), btnOK, btnCancel);
    layout->addLayout(buttons, 2, 0, 1, 3);

    connect(sbtnUp, &QToolButton::clicked, this, &TfrmASIOSetting::sbtnUpClick);
    connect(sbtnDown, &QToolButton::clicked, this, &TfrmASIOSetting::sbtnDownClick);
    connect(sbtnInitialize, &QToolButton::clicked, this, &TfrmASIOSetting::sbtnInitializeClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmASIOSetting::AddItem(const OutputChannelLabel& channel) {
    auto* item = new QListWidgetItem(channel.second, lstOutputOrder);
    item->setData(Qt::UserRole, channel.first);
}

void TfrmASIOSetting::FillOrder(const std::vector<int>& storedOrder) {
    lstOutputOrder->clear();
    if (!channelLabels)
        return;
    std::vector<bool> listed(channelLabels->size(), false);
    const auto indexOf = [this](int channel) {
        const auto at = std::find_if(channelLabels->begin(), channelLabels->end(),
                                     [channel](const OutputChannelLabel& c) { return c.first == channel; });
        return at == channelLabels->end() ? -1 : int(at - channelLabels->begin());
    };
    for (int channel : storedOrder) {
        const int index = indexOf(channel);
        if (index < 0 || listed[size_t(index)])
            continue;
        listed[size_t(index)] = true;
        AddItem((*channelLabels)[size_t(index)]);
    }
    for (size_t i = 0; i < channelLabels->size(); ++i)
        if (!listed[i])
            AddItem((*channelLabels)[i]);
}

std::vector<int> TfrmASIOSetting::Order() const {
    std::vector<int> order;
    for (int i = 0; i < lstOutputOrder->count(); ++i)
        order.push_back(lstOutputOrder->item(i)->data(Qt::UserRole).toInt());
    return order;
}

void TfrmASIOSetting::MoveItem(int from, int to) {
    if (from < 0 || from >= lstOutputOrder->count() || to < 0 || to >= lstOutputOrder->count() || from == to)
        return;
    QListWidgetItem* item = lstOutputOrder->takeItem(from);
    lstOutputOrder->insertItem(to, item);
    lstOutputOrder->setCurrentRow(to);
}

void TfrmASIOSetting::lstOutputOrderMouseDown(const QPoint& pos) {
    const QListWidgetItem* item = lstOutputOrder->itemAt(pos);
    dragIndex = item ? lstOutputOrder->row(item) : -1;
    pressPos = pos;
    dragging = false;
}

void TfrmASIOSetting::lstOutputOrderDragOver(const QPoint& pos) {
    if (QListWidgetItem* item = lstOutputOrder->itemAt(pos))
        lstOutputOrder->setCurrentItem(item);
}

void TfrmASIOSetting::lstOutputOrderDragDrop(const QPoint& pos) {
    if (dragIndex < 0)
        return;
    const QListWidgetItem* target = lstOutputOrder->itemAt(pos);
    const int to = target ? lstOutputOrder->row(target) : (pos.y() >= 0 ? lstOutputOrder->count() - 1 : 0);
    MoveItem(dragIndex, to);
    dragIndex = -1;
}

void TfrmASIOSetting::sbtnUpClick() {
    const int row = lstOutputOrder->currentRow();
    if (row > 0 && lstOutputOrder->count() >= 2)
        MoveItem(row, row - 1);
}

void TfrmASIOSetting::sbtnDownClick() {
    const int row = lstOutputOrder->currentRow();
    if (row >= 0 && lstOutputOrder->count() >= 2 && row < lstOutputOrder->count() - 1)
        MoveItem(row, row + 1);
}

void TfrmASIOSetting::sbtnInitializeClick() {
    if (!channelLabels || size_t(lstOutputOrder->count()) != channelLabels->size())
        return;
    FillOrder({});
}

bool TfrmASIOSetting::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lstOutputOrder->viewport())
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton)
            lstOutputOrderMouseDown(mouse->position().toPoint());
        break;
    case QEvent::MouseMove:
        if (dragIndex >= 0 && (mouse->buttons() & Qt::LeftButton)) {
            const QPoint pos = mouse->position().toPoint();
            if (!dragging && (pos - pressPos).manhattanLength() >= QApplication::startDragDistance())
                dragging = true;
            if (dragging) {
                lstOutputOrderDragOver(pos);
                return true;
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        if (dragging && mouse->button() == Qt::LeftButton) {
            dragging = false;
            lstOutputOrderDragDrop(mouse->position().toPoint());
            return true;
        }
        dragIndex = -1;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
