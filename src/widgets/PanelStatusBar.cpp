#include "PanelStatusBar.h"

#include <QLabel>

PanelStatusBar::PanelStatusBar(int panelCount, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < panelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("panel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        addWidget(label, i + 1 == panelCount ? 1 : 0);
        m_panels.push_back(label);
    }
    m_simpleLabel = new QLabel(this);
    m_simpleLabel->setObjectName(QStringLiteral("simplePanel"));
    addWidget(m_simpleLabel, 1);
    m_simpleLabel->hide();
}

QString PanelStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount())
        return {};
    return m_panels[index]->text();
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
    if (index >= 0 && index < PanelCount())
        m_panels[index]->setText(text);
}

void PanelStatusBar::SetPanelWidth(int index, int width) {
    if (index >= 0 && index + 1 < PanelCount())
        m_panels[index]->setFixedWidth(width < 0 ? 0 : width);
}

void PanelStatusBar::SetPanelLeastWidth(int index, int width) {
    if (index < 0 || index + 1 >= PanelCount())
        return;
    QLabel* panel = m_panels[index];
    panel->setMaximumWidth(QWIDGETSIZE_MAX);
    panel->setMinimumWidth(width < 0 ? 0 : width);
    panel->setSizePolicy(QSizePolicy::Fixed, panel->sizePolicy().verticalPolicy());
}

int PanelStatusBar::PanelWidth(int index) const {
    if (index < 0 || index >= PanelCount())
        return 0;
    return m_panels[index]->width();
}

void PanelStatusBar::SetSimplePanel(bool simple) {
    m_simple = simple;
    for (QLabel* label : m_panels)
        label->setVisible(!simple);
    m_simpleLabel->setVisible(simple);
}

QString PanelStatusBar::SimpleText() const {
    return m_simpleLabel->text();
}

void PanelStatusBar::SetSimpleText(const QString& text) {
    m_simpleLabel->setText(text);
}
