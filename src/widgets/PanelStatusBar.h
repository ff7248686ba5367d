#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

// A status bar of fixed text panels that can switch to one simple panel for a progress
// text and back, as the main window and the stimulus card use theirs.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit PanelStatusBar(int panelCount, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(m_panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    // Width in pixels; the last panel takes the rest.
    void SetPanelWidth(int index, int width);
    int PanelWidth(int index) const;
    // At least `width` pixels, and as wide as the panel's text needs.
    void SetPanelLeastWidth(int index, int width);

    // While the simple panel shows, the panels are hidden and SimpleText is the only text.
    bool SimplePanel() const { return m_simple; }
    void SetSimplePanel(bool simple);
    QString SimpleText() const;
    void SetSimpleText(const QString& text);

private:
    std::vector<QLabel*> m_panels;
    QLabel* m_simpleLabel;
    bool m_simple = false;
};
