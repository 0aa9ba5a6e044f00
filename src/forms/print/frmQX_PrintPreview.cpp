#include "forms/print/frmQX_PrintPreview.h"

#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/print/printdocument.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const char *name, const char *text, const QKeySequence &shortcut,
                    const char *tip)
{
    auto *pressed = new QPushButton(QString::fromUtf8(text), parent);
    pressed->setObjectName(QString::fromLatin1(name));
    pressed->setShortcut(shortcut);
    pressed->setAutoDefault(false);
    pressed->setToolTip(QString::fromUtf8(tip) + QStringLiteral("（") + shortcut.toString(QKeySequence::NativeText)
                        + QStringLiteral("）"));
    return pressed;
}

} // namespace

frmQX_PrintPreview::frmQX_PrintPreview(const PrintDocument &document, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_document(document), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("frmQX_PrintPreview"));
    setWindowTitle(document.title() + QStringLiteral(" - 打印预览"));
    setWindowIcon(QIcon());
    m_printer.setPageLayout(PrintDocument::paper());

    cmdPrint = button(this, "cmdPrint", "打印", QKeySequence(Qt::CTRL | Qt::Key_P), "选择打印机打印");
    cmdSavePdf = button(this, "cmdSavePdf", "保存为PDF", QKeySequence(Qt::CTRL | Qt::Key_S),
                        "不用打印机，保存为PDF文件");
    cmdClose = button(this, "cmdClose", "关闭", QKeySequence(Qt::Key_Escape), "关闭打印预览");
    preview = new QPrintPreviewWidget(&m_printer, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setAccessibleName(QStringLiteral("打印预览"));
    connect(preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *printer) { m_document.print(*printer); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdSavePdf);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(preview);
    connect(cmdPrint, &QPushButton::clicked, this, &frmQX_PrintPreview::cmdPrint_Click);
    connect(cmdSavePdf, &QPushButton::clicked, this, &frmQX_PrintPreview::cmdSavePdf_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    takesKeyboardWhenShown(*this);
    // As large as the screen allows, a page across at a time.
    if (const QScreen *shownOn = parent ? parent->screen() : QGuiApplication::primaryScreen())
        resize(shownOn->availableGeometry().size() * 9 / 10);
    preview->fitToWidth();
}

void frmQX_PrintPreview::cmdPrint_Click()
{
    QPrintDialog choice(&m_printer, this);
    choice.setWindowTitle(QStringLiteral("打印"));
    takesKeyboardWhenShown(choice);
    if (showModal(choice) != QDialog::Accepted)
        return;
    if (!m_document.print(m_printer))
        showMessage(QStringLiteral("不能打印，请检查打印机。"), MessageFlags::Information, windowTitle());
    preview->updatePreview();
}

void frmQX_PrintPreview::cmdSavePdf_Click()
{
    const QString file = chooseFile();
    if (file.isEmpty())
        return;
    // On the paper chosen for printing, where the user changed it.
    if (!m_document.saveAsPdf(file, m_printer.pageLayout()))
        showMessage(QStringLiteral("不能保存文件“%1”，请换一个文件夹或文件名。").arg(QDir::toNativeSeparators(file)),
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
