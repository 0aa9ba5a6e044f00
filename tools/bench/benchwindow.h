#pragma once

#include <QString>
#include <memory>

class MainLayout;
class frmQX_Quillonix;

// The main window as the benchmark drives it: offscreen, on the listing database in folder
// (a file, or the server its itdb.conn names), logged in as 经理. Ends the process when the
// database cannot be opened.
frmQX_Quillonix &openMainWindow(std::unique_ptr<frmQX_Quillonix> &window, const QString &folder);

// One press of "检索", until the result list has painted its rows.
void search(const MainLayout &controls);
