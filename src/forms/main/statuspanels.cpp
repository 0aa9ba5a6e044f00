#include "forms/main/statuspanels.h"

#include "forms/common/twips.h"

#include <QLabel>

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    const std::array<int, 4> widths = {3600, 4250, 2000, 1995};
    for (size_t i = 0; i < m_panels.size(); ++i) {
        auto *panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedWidth(twips(widths[i]));
        addWidget(panel);
        m_panels[i] = panel;
    }
    m_panels[0]->setText(QStringLiteral("Quillonix 前台房源查看  quillonix.example"));
}

QString StatusPanels::panelText(int panel) const
{
    return m_panels.at(size_t(panel - 1))->text();
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    m_panels.at(size_t(panel - 1))->setText(text);
}
