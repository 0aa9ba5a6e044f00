#include "benchwindow.h"

#include "core/mQuillonix.h"
#include "core/storedtext.h"
#include "core/valuetext.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

namespace {

// How long this thread has waited for a processor while it could have run: on a shared
// machine, time given to other processes is no stall of the window's own making.
double waitedForProcessorMs()
{
    QFile schedule(QStringLiteral("/proc/thread-self/schedstat"));
    if (!schedule.open(QIODevice::ReadOnly))
        return 0;
    return schedule.readAll().split(' ').value(1).toDouble() / 1e6;
}

// Runs start, which holds the event loop while it runs, then the event loop until done()
// holds, then finish, measuring the longest stretch without a turn of the loop.
Waits watchEventLoop(const std::function<void()> &start, const std::function<bool()> &done,
                     const std::function<void()> &finish)
{
    QElapsedTimer clock;
    clock.start();
    double waited = waitedForProcessorMs();
    start();
    Waits waits{clock.nsecsElapsed() / 1e6, 0, 0};
    double lastTurn = waits.firstMs;
    const auto turn = [&] {
        const double now = clock.nsecsElapsed() / 1e6;
        const double waitedNow = waitedForProcessorMs();
        waits.longestStallMs = std::max(waits.longestStallMs, now - lastTurn - (waitedNow - waited));
        lastTurn = now;
        waited = waitedNow;
    };
    turn();
    QEventLoop loop;
    // Once a millisecond rather than spinning: a spinning watch took a core from the database
    // server the window was waiting for.
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, &loop, [&] {
        turn();
        if (done())
            loop.quit();
    });
    if (!done()) {
        turns.start();
        loop.exec();
    }
    // The last paint, which lays the rows out, holds the event loop too.
    finish();
    turn();
    waits.doneMs = clock.nsecsElapsed() / 1e6;
    return waits;
}

} // namespace

frmQX_Quillonix &openMainWindow(std::unique_ptr<frmQX_Quillonix> &window, const QString &folder)
{
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    if (!funConnectDatabase())
        qFatal("cannot open %s", qPrintable(gConnectString));
    gUserName = QStringLiteral("经理");
    window = std::make_unique<frmQX_Quillonix>();
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("the main window was not shown");
    return *window;
}

void waitRuns(int runs, Figure &first, Figure &done, Figure &stall, const std::function<Waits()> &once)
{
    for (int run = 0; run < runs; ++run) {
        const Waits waits = once();
        first.program.ms << waits.firstMs;
        done.program.ms << waits.doneMs;
        stall.program.ms << waits.longestStallMs;
    }
}

Waits searchWaits(const MainLayout &controls)
{
    ReportListView *list = controls.lsvHouse;
    return watchEventLoop(
        [&] {
            QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
            list->viewport()->repaint();
        },
        [list] { return !list->rowsArriving() && !list->rows().sorting(); }, [list] { list->viewport()->repaint(); });
}

void search(const MainLayout &controls)
{
    searchWaits(controls);
}

Waits sortWaits(const MainLayout &controls, int column)
{
    ReportListView *list = controls.lsvHouse;
    QHeaderView *header = list->header();
    return watchEventLoop(
        [&] {
            const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
            list->viewport()->repaint();
        },
        [list] { return !list->rows().sorting(); }, [list] { list->viewport()->repaint(); });
}

QVector<Figure> sortFigures(int runs, const MainLayout &controls)
{
    int column = 0;
    Figure first{QStringLiteral("header click: the click itself"), {}, {}, QStringLiteral("-")};
    Figure sorted{QStringLiteral("header click: all hits shown sorted"), {}, {}, QStringLiteral("< 300 ms")};
    Figure stall{QStringLiteral("header click: longest event-loop stall"), {}, {}, QStringLiteral("<= 100 ms")};
    waitRuns(runs, first, sorted, stall, [&] {
        column = column % 9 + 1;
        return sortWaits(controls, column);
    });
    return {first, sorted, stall};
}

void chooseFilteredSearch(const MainLayout &controls)
{
    controls.cmbQy->setCurrentIndex(1);
    controls.cmbWylb->setCurrentIndex(1);
    controls.optOpen[2]->setChecked(true);
}

void chooseStartChoices(const MainLayout &controls)
{
    controls.cmbQy->setCurrentIndex(0);
    controls.cmbWylb->setCurrentIndex(0);
    controls.optOpen[0]->setChecked(true);
}

QByteArrayList boundTexts(const QVariantList &values)
{
    QByteArrayList texts;
    // Stored text as its very bytes; numbers and typed text in their plain form.
    for (const QVariant &value : values) {
        texts << (value.metaType() == QMetaType::fromType<StoredText>() ? value.value<StoredText>().bytes()
                                                                         : ValueText::plain(value).toUtf8());
    }
    return texts;
}
