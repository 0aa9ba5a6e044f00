#include "pdffile.h"

#include "testsupport.h"

#include <QDate>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace {

QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess run;
    run.start(tool, arguments);
    if (!run.waitForFinished(20000) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
        QTest::qFail(qPrintable(tool + QStringLiteral(" failed: ") + run.errorString() + QLatin1Char(' ')
                                + QString::fromUtf8(run.readAllStandardError())),
                     __FILE__, __LINE__);
        return QString();
    }
    return QString::fromUtf8(run.readAllStandardOutput());
}

} // namespace

namespace PdfFile {

int pageCount(const QString &pdf)
{
    const QRegularExpressionMatch pages
        = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
              .match(poppler(QStringLiteral("pdfinfo"), {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

QString pageText(const QString &pdf, int page)
{
    const QString number = QString::number(page);
    return poppler(QStringLiteral("pdftotext"), {QStringLiteral("-f"), number, QStringLiteral("-l"), number,
                                                 QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .simplified();
}

qreal wordBottom(const QString &pdf, int page, const QString &word)
{
    const QString number = QString::number(page);
    const QString boxes = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), number,
                                                                QStringLiteral("-l"), number, pdf, QStringLiteral("-")});
    const QRegularExpressionMatch height
        = QRegularExpression(QStringLiteral("<page width=\"[0-9.]+\" height=\"([0-9.]+)\"")).match(boxes);
    const QRegularExpressionMatch found
        = QRegularExpression(QStringLiteral("yMax=\"([0-9.]+)\">") + QRegularExpression::escape(word) + QStringLiteral("</word>"))
              .match(boxes);
    if (!height.hasMatch() || !found.hasMatch())
        return -1;
    return found.captured(1).toDouble() / height.captured(1).toDouble();
}

QStringList images(const QString &pdf)
{
    QStringList found;
    // Two lines of headings, then a line a picture: page, number, type, width, height,
    // colour, components, bits, encoding, ...
    const QStringList lines = poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n');
    for (const QString &line : lines.mid(2)) {
        const QStringList columns = line.simplified().split(' ');
        if (columns.size() > 8)
            found << columns.at(0) + QLatin1Char(':') + columns.at(3) + QLatin1Char('x') + columns.at(4) + QLatin1Char(' ')
                         + columns.at(8);
    }
    return found;
}

void saveFromNextPreview(const QString &caption, const QString &pdf, int *pages, QString *note)
{
    const auto chosen = std::make_shared<bool>(false);
    whenModalShown([caption, pages, note, chosen](QWidget *preview) {
        QCOMPARE(preview->windowTitle(), caption + QStringLiteral(" - 打印预览"));
        *pages = control<QPrintPreviewWidget>(preview, QStringLiteral("preview"))->pageCount();
        if (note) {
            const auto *shown = control<QLabel>(preview, QStringLiteral("lblNote"));
            *note = shown->isVisibleTo(preview) ? shown->text() : QString();
        }
        // Shortcuts reach the active window; a button's shortcut shows it pressed for a moment
        // before it acts.
        QTRY_VERIFY(preview->isActiveWindow());
        QTest::keyClick(preview->windowHandle(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(*chosen);
        QTest::keyClick(preview->windowHandle(), Qt::Key_Escape);
    });
    whenModalShown([caption, pdf, chosen](QWidget *modal) {
        auto *choice = qobject_cast<QFileDialog *>(modal);
        QVERIFY(choice);
        QCOMPARE(choice->windowTitle(), QStringLiteral("保存为PDF"));
        const QString offered = caption + QLatin1Char('-') + QDate::currentDate().toString(Qt::ISODate)
                                + QStringLiteral(".pdf");
        QVERIFY2(choice->selectedFiles().value(0).endsWith(offered), qPrintable(choice->selectedFiles().join(',')));
        control<QLineEdit>(choice, QStringLiteral("fileNameEdit"))->setText(pdf);
        static_cast<QDialog *>(choice)->accept();
        *chosen = true;
    });
}

} // namespace PdfFile
