#pragma once

#include <QStatusBar>
#include <array>

class QLabel;

// The status bar along the window's bottom edge: four text panels, addressed 1 to 4.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusPanels(QWidget *parent);

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

protected:
    // The panels keep their designed widths at every scale.
    void changeEvent(QEvent *event) override;

private:
    void sizePanels();

    std::array<QLabel *, 4> m_panels;
};
