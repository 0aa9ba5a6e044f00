#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class DetailPanel;
class FileChangeWatch;
class StatusPanels;

// Takes up changes another program made to the listing database: the listing in the detail
// panel is read again, and panel 2 of the status bar says what changed and that the hits may
// have changed, until the next search; the rest of the window follows takenUp(). A change
// that comes while a dialog or a message is open waits until it closes. A server says which
// listings changed: the listing shown is read again only when it is one of them, and a flood
// of such words is taken up as one.
class ChangeFollower : public QObject
{
    Q_OBJECT
public:
    ChangeFollower(DetailPanel &detail, StatusPanels &status, QObject *parent);

    // Watches the database file named by the connection string, every intervalMs.
    void watchFile(const QString &file, int intervalMs);
    // The server says the listing of this number changed ("" for any listing).
    void listingChanged(const QByteArray &number);
    // Looks for a change now, as at each action of the user.
    void check();
    // What panel 2 says when the database is not being read.
    QString notice() const { return m_listingNotice.isEmpty() ? m_hitsNotice : m_listingNotice; }
    // A search read the hits again.
    void searched();

signals:
    // A change was taken up, after the detail panel: what else shows of the listings follows.
    void takenUp();

private:
    void changed();
    void takeUp();
    void setListingNotice(const QString &text);
    void showNotice();

    DetailPanel &m_detail;
    StatusPanels &m_status;
    FileChangeWatch *m_watch = nullptr;
    bool m_pending = false;
    // The listings changed since the last take-up, where known; any, for a file.
    QSet<QByteArray> m_changedListings;
    bool m_anyListingChanged = false;
    QTimer m_settle;
    QElapsedTimer m_settling;
    QTimer m_waitForDialogs;
    QTimer m_listingNoticeShown;
    QString m_listingNotice;
    QString m_hitsNotice;
};
