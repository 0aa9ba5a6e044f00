#include "forms/print/frmQX_PrintPreview.h"

#include "core/logcategories.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/common/workprogress.h"
#include "forms/print/printdocument.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QStandardPaths>
#include <QToolBar>
#include <QVBoxLayout>

frmQX_PrintPreview::frmQX_PrintPreview(const PrintDocument &document, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_document(document), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("frmQX_PrintPreview"));
    setWindowTitle(document.title() + QStringLiteral(" - 打印预览"));
    setWindowIcon(QIcon());
    m_printer.setPageLayout(PrintDocument::paper());
    m_printer.setDocName(document.title());

    preview = new QPrintPreviewWidget(&m_printer, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setAccessibleName(QStringLiteral("打印预览"));
    connect(preview, &QPrintPreviewWidget::paintRequested, this, &frmQX_PrintPreview::paintRequested);
    connect(preview, &QPrintPreviewWidget::previewChanged, this, &frmQX_PrintPreview::showPageAndZoom);

    tbrPreview = new QToolBar(this);
    tbrPreview->setObjectName(QStringLiteral("tbrPreview"));
    tbrPreview->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cmdFitWidth = addCommand("cmdFitWidth", "适应宽度", "页面与窗口同宽", {});
    cmdFitPage = addCommand("cmdFitPage", "整页", "整页显示", {});
    tbrPreview->addSeparator();
    cmdZoomOut = addCommand("cmdZoomOut", "缩小", "缩小", QKeySequence(QKeySequence::ZoomOut));
    lblZoom = new QLabel(tbrPreview);
    lblZoom->setObjectName(QStringLiteral("lblZoom"));
    tbrPreview->addWidget(lblZoom);
    cmdZoomIn = addCommand("cmdZoomIn", "放大", "放大", QKeySequence(QKeySequence::ZoomIn));
    // Without the shift key as well.
    cmdZoomIn->setShortcuts({QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    tbrPreview->addSeparator();
    // The keys that page through the enlarged photo page through the document.
    cmdFirstPage = addCommand("cmdFirstPage", "首页", "第一页", QKeySequence(Qt::Key_Home));
    cmdPreviousPage = addCommand("cmdPreviousPage", "上一页", "上一页", QKeySequence(Qt::Key_PageUp));
    txtPage = new QLineEdit(tbrPreview);
    txtPage->setObjectName(QStringLiteral("txtPage"));
    txtPage->setAccessibleName(QStringLiteral("页码"));
    txtPage->setAlignment(Qt::AlignRight);
    m_pageNumbers = new QIntValidator(1, 1, txtPage);
    txtPage->setValidator(m_pageNumbers);
    txtPage->setFixedWidth(txtPage->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8);
    tbrPreview->addWidget(txtPage);
    lblPages = new QLabel(tbrPreview);
    lblPages->setObjectName(QStringLiteral("lblPages"));
    tbrPreview->addWidget(lblPages);
    cmdNextPage = addCommand("cmdNextPage", "下一页", "下一页", QKeySequence(Qt::Key_PageDown));
    cmdLastPage = addCommand("cmdLastPage", "末页", "最后一页", QKeySequence(Qt::Key_End));
    auto *gap = new QWidget(tbrPreview);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tbrPreview->addWidget(gap);
    cmdPrint = addCommand("cmdPrint", "打印", "选择打印机打印", QKeySequence(Qt::CTRL | Qt::Key_P));
    cmdSavePdf = addCommand("cmdSavePdf", "保存为PDF", "不用打印机，保存为PDF文件", QKeySequence(Qt::CTRL | Qt::Key_S));
    cmdClose = addCommand("cmdClose", "关闭", "关闭打印预览", QKeySequence(Qt::Key_Escape));

    connect(cmdFitWidth, &QAction::triggered, preview, &QPrintPreviewWidget::fitToWidth);
    connect(cmdFitPage, &QAction::triggered, preview, &QPrintPreviewWidget::fitInView);
    connect(cmdZoomOut, &QAction::triggered, preview, [this] { preview->zoomOut(); });
    connect(cmdZoomIn, &QAction::triggered, preview, [this] { preview->zoomIn(); });
    connect(cmdFirstPage, &QAction::triggered, preview, [this] { preview->setCurrentPage(1); });
    connect(cmdPreviousPage, &QAction::triggered, preview,
            [this] { preview->setCurrentPage(preview->currentPage() - 1); });
    connect(cmdNextPage, &QAction::triggered, preview, [this] { preview->setCurrentPage(preview->currentPage() + 1); });
    connect(cmdLastPage, &QAction::triggered, preview, [this] { preview->setCurrentPage(preview->pageCount()); });
    connect(txtPage, &QLineEdit::editingFinished, preview, [this] { preview->setCurrentPage(txtPage->text().toInt()); });
    for (QAction *moved : {cmdFitWidth, cmdFitPage, cmdZoomOut, cmdZoomIn, cmdFirstPage, cmdPreviousPage, cmdNextPage,
                           cmdLastPage})
        connect(moved, &QAction::triggered, this, &frmQX_PrintPreview::showPageAndZoom);
    connect(txtPage, &QLineEdit::editingFinished, this, &frmQX_PrintPreview::showPageAndZoom);
    connect(cmdPrint, &QAction::triggered, this, &frmQX_PrintPreview::cmdPrint_Click);
    connect(cmdSavePdf, &QAction::triggered, this, &frmQX_PrintPreview::cmdSavePdf_Click);
    connect(cmdClose, &QAction::triggered, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbrPreview);
    layout->addWidget(preview);
    takesKeyboardWhenShown(*this);
    // As large as the screen allows, a page across at a time.
    if (const QScreen *shownOn = parent ? parent->screen() : QGuiApplication::primaryScreen())
        resize(shownOn->availableGeometry().size() * 9 / 10);
    preview->fitToWidth();
}

void frmQX_PrintPreview::showPreview(const PrintDocument &document, QWidget *parent)
{
    frmQX_PrintPreview preview(document, parent);
    if (preview.paintPages())
        showModal(preview);
}

QAction *frmQX_PrintPreview::addCommand(const char *name, const char *text, const char *tip,
                                        const QKeySequence &shortcut)
{
    QAction *command = tbrPreview->addAction(QString::fromUtf8(text));
    command->setObjectName(QString::fromLatin1(name));
    command->setShortcut(shortcut);
    command->setToolTip(shortcut.isEmpty() ? QString::fromUtf8(tip)
                                           : QString::fromUtf8(tip) + QStringLiteral("（")
                                                 + shortcut.toString(QKeySequence::NativeText) + QStringLiteral("）"));
    return command;
}

bool frmQX_PrintPreview::paintPages()
{
    preview->updatePreview();
    return m_painted;
}

void frmQX_PrintPreview::paintRequested(QPrinter *printer)
{
    WorkProgress progress(windowTitle(), QStringLiteral("正在排版……"), m_document.steps(),
                          isVisible() ? this : parentWidget());
    // The pages shown so far are gone once painting begins: the view waits for the new ones.
    preview->setUpdatesEnabled(false);
    m_painted = m_document.print(*printer, PrintOutput::Preview, progress);
    preview->setUpdatesEnabled(true);
}

void frmQX_PrintPreview::showPageAndZoom()
{
    const int page = preview->currentPage();
    const int pages = preview->pageCount();
    m_pageNumbers->setTop(qMax(1, pages));
    txtPage->setText(QString::number(page));
    lblPages->setText(QStringLiteral(" / %1 ").arg(pages));
    lblZoom->setText(QStringLiteral(" %1% ").arg(qRound(preview->zoomFactor() * 100)));
    cmdFirstPage->setEnabled(page > 1);
    cmdPreviousPage->setEnabled(page > 1);
    cmdNextPage->setEnabled(page < pages);
    cmdLastPage->setEnabled(page < pages);
}

void frmQX_PrintPreview::cmdPrint_Click()
{
    const QPageLayout shown = m_printer.pageLayout();
    QPrintDialog choice(&m_printer, this);
    choice.setWindowTitle(QStringLiteral("打印"));
    takesKeyboardWhenShown(choice);
    if (showModal(choice) != QDialog::Accepted)
        return;
    bool printed = false;
    bool stopped = false;
    {
        // Stopped, the print ends after the listing being painted: a printer prints the pages
        // painted by then, as it does with a job cancelled in its queue; a file printed to is
        // not left half-written.
        WorkProgress progress(windowTitle(), QStringLiteral("正在打印……"), m_document.steps(), this);
        printed = m_document.print(m_printer, PrintOutput::Paper, progress);
        stopped = progress.cancelled();
    }
    if (stopped && !m_printer.outputFileName().isEmpty())
        QFile::remove(m_printer.outputFileName());
    else if (!printed)
        showMessage(QStringLiteral("不能打印，请检查打印机。"), MessageFlags::Information, windowTitle());
    // On other paper the pages are laid out again, as they were printed.
    if (isVisible() && m_printer.pageLayout() != shown && !paintPages())
        reject();
}

void frmQX_PrintPreview::cmdSavePdf_Click()
{
    const QString file = chooseFile();
    if (file.isEmpty())
        return;
    bool saved = false;
    bool stopped = false;
    {
        WorkProgress progress(windowTitle(), QStringLiteral("正在保存PDF文件……"), m_document.steps(), this);
        // On the paper chosen for printing, where the user changed it.
        saved = m_document.saveAsPdf(file, m_printer.pageLayout(), progress);
        stopped = progress.cancelled();
    }
    if (!saved && !stopped)
        showError(lcFile, QStringLiteral("不能保存文件“%1”，请换一个文件夹或文件名。").arg(QDir::toNativeSeparators(file)),
                  MessageFlags::Information, windowTitle());
}

QString frmQX_PrintPreview::chooseFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString name = m_document.title() + QDate::currentDate().toString(QStringLiteral("-yyyy-MM-dd")) + QStringLiteral(".pdf");
    QFileDialog choice(this, QStringLiteral("保存为PDF"), QDir(folder).filePath(name),
                       QStringLiteral("PDF文件 (*.pdf)"));
    choice.setAcceptMode(QFileDialog::AcceptSave);
    choice.setFileMode(QFileDialog::AnyFile);
    choice.setDefaultSuffix(QStringLiteral("pdf"));
    takesKeyboardWhenShown(choice);
    if (showModal(choice) != QDialog::Accepted || choice.selectedFiles().isEmpty())
        return QString();
    return choice.selectedFiles().constFirst();
}
