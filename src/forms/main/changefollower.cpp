#include "forms/main/changefollower.h"

#include "core/filechangewatch.h"
#include "forms/main/detailpanel.h"
#include "forms/main/statuspanels.h"

#include <QApplication>
#include <algorithm>

namespace {

constexpr int noticePanel = 2;
constexpr int listingNoticeMs = 4000;
constexpr int dialogPollMs = 300;
// A bulk change on the server comes as thousands of words at once: they are taken up once
// the words have paused this long, or at the latest this long after the first.
constexpr int settleMs = 200;
constexpr int longestSettleMs = 1000;

} // namespace

ChangeFollower::ChangeFollower(DetailPanel &detail, StatusPanels &status, QObject *parent)
    : QObject(parent), m_detail(detail), m_status(status)
{
    m_waitForDialogs.setInterval(dialogPollMs);
    m_waitForDialogs.setSingleShot(true);
    connect(&m_waitForDialogs, &QTimer::timeout, this, &ChangeFollower::takeUp);
    m_listingNoticeShown.setInterval(listingNoticeMs);
    m_listingNoticeShown.setSingleShot(true);
    connect(&m_listingNoticeShown, &QTimer::timeout, this, [this] { setListingNotice(QString()); });
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &ChangeFollower::takeUp);
}

void ChangeFollower::listingChanged(const QByteArray &number)
{
    if (number.isEmpty())
        m_anyListingChanged = true;
    else
        m_changedListings.insert(number);
    if (!m_settle.isActive())
        m_settling.start();
    m_settle.start(std::max(0, std::min<int>(settleMs, longestSettleMs - int(m_settling.elapsed()))));
    m_pending = true;
}

void ChangeFollower::watchFile(const QString &file, int intervalMs)
{
    delete m_watch;
    m_watch = new FileChangeWatch(file, intervalMs, this);
    connect(m_watch, &FileChangeWatch::changed, this, &ChangeFollower::changed);
}

void ChangeFollower::check()
{
    if (m_watch)
        m_watch->check();
}

void ChangeFollower::searched()
{
    m_hitsNotice.clear();
    showNotice();
}

void ChangeFollower::changed()
{
    m_anyListingChanged = true;
    m_pending = true;
    takeUp();
}

void ChangeFollower::takeUp()
{
    if (!m_pending)
        return;
    // A dialog, a message or an open drop-down list keeps the user's attention: the change
    // waits until it closes.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_waitForDialogs.start();
        return;
    }
    m_settle.stop();
    m_pending = false;
    const StoredText &number = m_detail.shownNumber();
    const QString shown = number.shown();
    const bool shownChanged = m_anyListingChanged || m_changedListings.contains(number.bytes())
                              || m_changedListings.contains(shown.toUtf8());
    m_anyListingChanged = false;
    m_changedListings.clear();
    switch (shownChanged ? m_detail.refresh() : DetailPanel::Refresh::Unchanged) {
    case DetailPanel::Refresh::Updated:
        setListingNotice(QStringLiteral("房源 %1 的资料已更新").arg(shown));
        break;
    case DetailPanel::Refresh::Gone:
        setListingNotice(QStringLiteral("房源 %1 已下架或已删除").arg(shown));
        break;
    case DetailPanel::Refresh::Unchanged:
        break;
    }
    m_hitsNotice = QStringLiteral("检索结果可能已变，按检索刷新");
    showNotice();
    emit takenUp();
}

void ChangeFollower::setListingNotice(const QString &text)
{
    m_listingNotice = text;
    if (!text.isEmpty())
        m_listingNoticeShown.start();
    showNotice();
}

void ChangeFollower::showNotice()
{
    m_status.setPanelText(noticePanel, notice());
}
