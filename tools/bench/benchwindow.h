#pragma once

#include <QByteArrayList>
#include <QString>
#include <QVariantList>
#include <memory>

class MainLayout;
class frmQX_Quillonix;

// The main window as the benchmark drives it: offscreen, on the listing database in folder
// (a file, or the server its itdb.conn names), logged in as 经理. Ends the process when the
// database cannot be opened.
frmQX_Quillonix &openMainWindow(std::unique_ptr<frmQX_Quillonix> &window, const QString &folder);

// One press of "检索", until the result list has painted its rows.
void search(const MainLayout &controls);

// The choices of the filtered search figure: the first region and category, and 出售.
void chooseFilteredSearch(const MainLayout &controls);
// The start choices: 全部 / 全部 / 所有.
void chooseStartChoices(const MainLayout &controls);

// The search's values as the exact bytes a raw read binds.
QByteArrayList boundTexts(const QVariantList &values);
