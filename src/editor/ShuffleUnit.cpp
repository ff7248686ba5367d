#include "ShuffleUnit.h"

#include "TextTable.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kItemMime = QStringLiteral("application/x-tamvik-shuffle-item");

QString Caption(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmShuffle"), QString::fromLatin1(key));
}

// The index a drag of this process carries; -1 for any other drag.
int DraggedIndex(const QMimeData* data) {
    if (!data || !data->hasFormat(kItemMime))
        return -1;
    const QList<QByteArray> parts = data->data(kItemMime).split(':');
    bool ok = false;
    const int index = parts.size() == 2 && parts[0] == QByteArray::number(QCoreApplication::applicationPid())
                          ? parts[1].toInt(&ok)
                          : -1;
    return ok ? index : -1;
}

} // namespace

QByteArray ShuffleDragData(int index) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(index);
}

TfrmShuffle::TfrmShuffle(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmShuffle"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    lstShuffle = new QListWidget(this);
    lstShuffle->setObjectName(QStringLiteral("lstShuffle"));
    lstShuffle->setSelectionMode(QAbstractItemView::SingleSelection);
    lstShuffle->setProperty("Tag", -1);
    lstShuffle->viewport()->setAcceptDrops(true);
    lstShuffle->viewport()->installEventFilter(this);
    layout->addWidget(lstShuffle);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    Relabel();
}

void TfrmShuffle::Relabel() {
    setWindowTitle(Caption("Caption"));
    btnOK->setText(Caption("btnOK"));
    btnCancel->setText(Caption("btnCancel"));
}

void TfrmShuffle::showEvent(QShowEvent* event) {
    // Made once: the language may have changed since the last showing.
    Relabel();
    QDialog::showEvent(event);
}

void TfrmShuffle::SetItems(const QStringList& items) {
    lstShuffle->clear();
    lstShuffle->addItems(items);
    lstShuffle->setProperty("Tag", -1);
    m_pressed = false;
}

QStringList TfrmShuffle::Items() const {
    QStringList items;
    for (int i = 0; i < lstShuffle->count(); ++i)
        items << lstShuffle->item(i)->text();
    return items;
}

void TfrmShuffle::lstShuffleDragDrop(const QPoint& at) {
    const int from = lstShuffle->property("Tag").toInt();
    if (from < 0 || from >= lstShuffle->count())
        return;
    QListWidgetItem* target = lstShuffle->itemAt(at);
    int to = 0;
    if (target)
        to = lstShuffle->row(target);
    else
        to = at.y() >= 0 ? lstShuffle->count() - 1 : 0;
    QListWidgetItem* item = lstShuffle->takeItem(from);
    lstShuffle->insertItem(to, item);
    lstShuffle->setCurrentItem(item);
}

bool TfrmShuffle::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lstShuffle->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        // lstShuffleMouseDown: a left press on an item may start a drag of it.
        auto* mouse = static_cast<QMouseEvent*>(event);
        QListWidgetItem* item = lstShuffle->itemAt(mouse->position().toPoint());
        m_pressed = mouse->button() == Qt::LeftButton && item;
        if (m_pressed) {
            lstShuffle->setProperty("Tag", lstShuffle->row(item));
            m_pressedAt = mouse->position().toPoint();
        }
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton) ||
            (mouse->position().toPoint() - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
            return false;
        m_pressed = false;
        auto* data = new QMimeData;
        data->setData(kItemMime, ShuffleDragData(lstShuffle->property("Tag").toInt()));
        auto* drag = new QDrag(lstShuffle);
        drag->setMimeData(data);
        drag->exec(Qt::MoveAction);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // lstShuffleDragOver: only this list's own items; the item under the pointer is
        // selected.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const int index = DraggedIndex(drag->mimeData());
        if (index < 0) {
            drag->ignore();
            return true;
        }
        lstShuffle->setProperty("Tag", index);
        if (QListWidgetItem* over = lstShuffle->itemAt(drag->position().toPoint()))
            lstShuffle->setCurrentItem(over);
        drag->setDropAction(Qt::MoveAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const int index = DraggedIndex(drop->mimeData());
        if (index < 0) {
            drop->ignore();
            return true;
        }
        lstShuffle->setProperty("Tag", index);
        drop->setDropAction(Qt::MoveAction);
        drop->accept();
        lstShuffleDragDrop(drop->position().toPoint());
        return true;
    }
    default:
        return false;
    }
}
