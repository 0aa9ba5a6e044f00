#pragma once

#include <QDialog>
#include <QPrinter>

class PrintDocument;
class QAction;
class QIntValidator;
class QLabel;
class QLineEdit;
class QPrintPreviewWidget;
class QToolBar;

// The print preview of a document for the customer, on Qt's own preview of printed pages:
// zoomed to the width or the whole page, or in and out, and paged through; from it the
// document is printed or saved as a PDF file, which needs no printer.
class frmQX_PrintPreview : public QDialog
{
    Q_OBJECT
public:
    // A note, when given, shows above the pages and is not printed.
    frmQX_PrintPreview(const PrintDocument &document, QWidget *parent, const QString &note = QString());

    // Paints the pages, and shows the preview modally over its parent once they are all
    // painted. Nothing shows when the user stopped the painting.
    static void showPreview(const PrintDocument &document, QWidget *parent, const QString &note = QString());

    // Paints the pages the preview shows, with a progress bar where that takes long; false
    // when the user stopped it.
    bool paintPages();

    void cmdPrint_Click();
    void cmdSavePdf_Click();

private:
    void paintRequested(QPrinter *printer);
    void showPageAndZoom();
    QAction *addCommand(const char *name, const char *text, const char *tip, const QKeySequence &shortcut);
    // The file a PDF is saved as, chosen by the user; "" when cancelled.
    QString chooseFile();

    const PrintDocument &m_document;
    QPrinter m_printer;
    bool m_painted = false;
    QPrintPreviewWidget *preview;
    QToolBar *tbrPreview;
    QLineEdit *txtPage;
    QIntValidator *m_pageNumbers;
    QLabel *lblPages, *lblZoom, *lblNote;
    QAction *cmdFitWidth, *cmdFitPage, *cmdZoomOut, *cmdZoomIn;
    QAction *cmdFirstPage, *cmdPreviousPage, *cmdNextPage, *cmdLastPage;
    QAction *cmdPrint, *cmdSavePdf, *cmdClose;
};
