#pragma once

#include <QDialog>
#include <QPrinter>

class PrintDocument;
class QPrintPreviewWidget;
class QPushButton;

// The print preview of a document for the customer, page by page, from which it is printed
// or saved as a PDF file; saving needs no printer.
class frmQX_PrintPreview : public QDialog
{
    Q_OBJECT
public:
    frmQX_PrintPreview(const PrintDocument &document, QWidget *parent);

    void cmdPrint_Click();
    void cmdSavePdf_Click();

private:
    // The file a PDF is saved as, chosen by the user; "" when cancelled.
    QString chooseFile();

    const PrintDocument &m_document;
    QPrinter m_printer;
    QPrintPreviewWidget *preview;
    QPushButton *cmdPrint, *cmdSavePdf, *cmdClose;
};
