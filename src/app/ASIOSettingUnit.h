#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <utility>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

// One output channel of the low-latency device: its number and its label ("1:Out 1").
using OutputChannelLabel = std::pair<int, QString>;

// The output-order dialog of the low-latency device: the operator orders the device's
// output channels by dragging or with the up and down buttons. Made by the main window's
// command for one showing; each list item keeps its channel number (Qt::UserRole).
class TfrmASIOSetting : public QDialog {
    Q_OBJECT
public:
    explicit TfrmASIOSetting(QWidget* owner);

    // Lists the stored order first (each channel once, only channels the device has),
    // then every channel not listed yet, in channel order.
    void FillOrder(const std::vector<int>& storedOrder);
    // The channel numbers of the list, top to bottom.
    std::vector<int> Order() const;

    // Mouse handlers of the list (positions in its viewport); a press on an item starts a
    // drag once the mouse has moved the usual distance.
    void lstOutputOrderMouseDown(const QPoint& pos);
    void lstOutputOrderDragOver(const QPoint& pos);
    void lstOutputOrderDragDrop(const QPoint& pos);
    void sbtnUpClick();
    void sbtnDownClick();
    void sbtnInitializeClick();

    // The caller's channels in channel order; not owned.
    const std::vector<OutputChannelLabel>* channelLabels = nullptr;

    QLabel* stxDeviceName = nullptr;
    QListWidget* lstOutputOrder = nullptr;
    QToolButton* sbtnUp = nullptr;
    QToolButton* sbtnDown = nullptr;
    QToolButton* sbtnInitialize = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddItem(const OutputChannelLabel& channel);
    void MoveItem(int from, int to);

    int dragIndex = -1; // the item pressed (the list's tag)
    QPoint pressPos;
    bool dragging = false;
};
