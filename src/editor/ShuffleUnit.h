#pragma once

#include <QDialog>
#include <QPoint>
#include <QStringList>

class QListWidget;
class QPushButton;

// The rearranging dialog of the schedule editor, made once by the main window: a list of
// trials or presentations that the operator puts into a new order by dragging items. An
// item dropped on another takes that item's place (the items between shift by one); dropped
// below the last item it goes to the end, above the list to the front.
class TfrmShuffle : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShuffle(QWidget* owner);

    // Fills the list with items, in this order, and clears any earlier drag.
    void SetItems(const QStringList& items);
    // The items in the order the list shows now.
    QStringList Items() const;

    // The drop of the dragged item (lstShuffle's Tag) at a point of the list's viewport.
    void lstShuffleDragDrop(const QPoint& at);

    QListWidget* lstShuffle = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Relabel();
    QPoint m_pressedAt;
    bool m_pressed = false;
};

// Drags of list items inside TfrmShuffle carry this type; the data is the process id, ':'
// and the item's index, so a drag from another program's list is refused.
QByteArray ShuffleDragData(int index);
