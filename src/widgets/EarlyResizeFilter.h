#pragma once

#include <QObject>
#include <QSize>
#include <functional>
#include <vector>

class QWidget;

// Tells of a widget's resize before its layout has passed the new size on to the
// children. A widget's own event filters and event() see a resize only after its layout
// has resized what it holds; a filter on the application sees it first, while the
// children still have their old sizes. It sees every event of the program, so it is
// installed only while wanted (SetActive).
class EarlyResizeFilter : public QObject {
public:
    using Handler = std::function<void(QWidget* resized, QSize newSize)>;
    EarlyResizeFilter(QObject* parent, std::vector<QWidget*> watched, Handler handler);

    void SetActive(bool active);
    bool IsActive() const { return m_active; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QWidget*> m_watched;
    Handler m_handler;
    bool m_active = false;
};
