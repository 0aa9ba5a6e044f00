#pragma once

#include "figures.h"

#include <QByteArrayList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

class MainLayout;
class frmQX_Quillonix;

// The main window as the benchmark drives it: offscreen, on the listing database in folder
// (a file, or the server its itdb.conn names), logged in as 经理. Ends the process when the
// database cannot be opened.
frmQX_Quillonix &openMainWindow(std::unique_ptr<frmQX_Quillonix> &window, const QString &folder);

// What the window made the user wait for one action: until it showed the first of it,
// until it was done, and the longest the event loop was held meanwhile (the action's own
// handler included), in milliseconds.
struct Waits
{
    double firstMs;
    double doneMs;
    double longestStallMs;
};

// Runs an action `runs` times, each run giving three figures: until its first result shows,
// until it is done, and the longest stall of the event loop meanwhile.
void waitRuns(int runs, Figure &first, Figure &done, Figure &stall, const std::function<Waits()> &once);

// One press of "检索": first until the result list has painted its first rows, then until
// every hit is in the list and painted.
Waits searchWaits(const MainLayout &controls);
void search(const MainLayout &controls);
// A click on a header of the result list, until the rows are shown in their new order.
Waits sortWaits(const MainLayout &controls, int column);

// Header clicks on one column after another, `runs` of them: the click itself, until every
// hit is shown sorted, and the longest stall of the event loop meanwhile.
QVector<Figure> sortFigures(int runs, const MainLayout &controls);

// The choices of the filtered search figure: the first region and category, and 出售.
void chooseFilteredSearch(const MainLayout &controls);
// The start choices: 全部 / 全部 / 所有.
void chooseStartChoices(const MainLayout &controls);

// The search's values as the exact bytes a raw read binds.
QByteArrayList boundTexts(const QVariantList &values);
