#include "forms/main/idlereset.h"

#include "forms/main/statuspanels.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

constexpr int noticePanel = 2;

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
        return true;
    default:
        return false;
    }
}

} // namespace

IdleReset::IdleReset(StatusPanels &stbBottom, std::function<void()> reset, QObject *parent)
    : QObject(parent), m_stbBottom(stbBottom), m_reset(std::move(reset))
{
    m_quiet.setSingleShot(true);
    m_second.setInterval(1000);
    m_second.setTimerType(Qt::PreciseTimer);
    connect(&m_quiet, &QTimer::timeout, this, &IdleReset::startCountdown);
    connect(&m_second, &QTimer::timeout, this, &IdleReset::countDown);
}

void IdleReset::start(std::chrono::milliseconds idle, std::chrono::milliseconds notice)
{
    stop();
    if (idle.count() <= 0)
        return;
    m_idle = idle;
    m_notice = std::min(notice, idle);
    QCoreApplication::instance()->installEventFilter(this);
    waitAgain();
}

void IdleReset::stop()
{
    QCoreApplication::instance()->removeEventFilter(this);
    m_idle = std::chrono::milliseconds(0);
    m_quiet.stop();
    m_second.stop();
    m_stbBottom.setPanelText(noticePanel, QString());
}

bool IdleReset::eventFilter(QObject *watched, QEvent *event)
{
    if (isInput(event->type()))
        waitAgain();
    return QObject::eventFilter(watched, event);
}

void IdleReset::waitAgain()
{
    if (m_second.isActive()) {
        m_second.stop();
        m_stbBottom.setPanelText(noticePanel, QString());
    }
    m_quiet.start(m_idle - m_notice);
}

void IdleReset::startCountdown()
{
    m_secondsLeft = int(std::chrono::ceil<std::chrono::seconds>(m_notice).count());
    m_second.start();
    showCountdown();
}

void IdleReset::countDown()
{
    if (--m_secondsLeft > 0) {
        showCountdown();
        return;
    }
    m_second.stop();
    m_stbBottom.setPanelText(noticePanel, QString());
    m_reset();
    m_quiet.start(m_idle - m_notice);
}

void IdleReset::showCountdown()
{
    m_stbBottom.setPanelText(noticePanel,
                             QStringLiteral("%1秒后将为新客户清空，按任意键或移动鼠标取消").arg(m_secondsLeft));
}
