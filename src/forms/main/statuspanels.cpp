#include "forms/main/statuspanels.h"

#include "forms/common/twips.h"

#include <QEvent>
#include <QLabel>

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (size_t i = 0; i < m_panels.size(); ++i) {
        auto *panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        addWidget(panel);
        m_panels[i] = panel;
    }
    sizePanels();
    m_panels[0]->setText(QStringLiteral("Quillonix 前台房源查看  quillonix.example"));
}

void StatusPanels::sizePanels()
{
    const std::array<int, 4> widths = {3600, 4250, 2000, 1995};
    for (size_t i = 0; i < m_panels.size(); ++i)
        m_panels[i]->setFixedWidth(twips(widths[i]));
}

void StatusPanels::changeEvent(QEvent *event)
{
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        sizePanels();
}

QString StatusPanels::panelText(int panel) const
{
    return m_panels.at(size_t(panel - 1))->text();
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    m_panels.at(size_t(panel - 1))->setText(text);
}
