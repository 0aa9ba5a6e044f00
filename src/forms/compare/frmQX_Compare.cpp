#include "forms/compare/frmQX_Compare.h"

#include "forms/common/designscale.h"
#include "forms/common/imagebox.h"
#include "forms/common/modal.h"
#include "forms/print/frmQX_PrintPreview.h"
#include "forms/print/printdocument.h"

#include <QDate>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// In designed pixels, drawn at the windows' scale.
const QSize photoDesigned(180, 135);

} // namespace

frmQX_Compare::frmQX_Compare(const Comparison &comparison, const QString &credit, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_comparison(comparison), m_credit(credit)
{
    setObjectName(QStringLiteral("frmQX_Compare"));
    setWindowTitle(QStringLiteral("房源对比"));
    setWindowIcon(QIcon());

    tblCompare = new QTableWidget(this);
    tblCompare->setObjectName(QStringLiteral("tblCompare"));
    tblCompare->setAccessibleName(QStringLiteral("房源对比"));
    tblCompare->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblCompare->setSelectionMode(QAbstractItemView::NoSelection);
    tblCompare->setWordWrap(true);
    tblCompare->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Wider columns wrap the long texts into fewer lines, once the columns have their widths.
    connect(tblCompare->horizontalHeader(), &QHeaderView::sectionResized, tblCompare,
            &QTableWidget::resizeRowsToContents, Qt::QueuedConnection);
    // The table takes the keys that scroll it, but marks no cell as the current one.
    tblCompare->setStyleSheet(QStringLiteral("QTableWidget { outline: 0; }"));
    lblDifference = new QLabel(QStringLiteral("底色标出的是各物业不相同的项目"), this);
    lblDifference->setObjectName(QStringLiteral("lblDifference"));
    QPalette marked = lblDifference->palette();
    marked.setColor(QPalette::Window, Comparison::differenceColour());
    lblDifference->setPalette(marked);
    lblDifference->setAutoFillBackground(true);

    lblLeftOut = new QLabel(m_comparison.leftOutWord(), this);
    lblLeftOut->setObjectName(QStringLiteral("lblLeftOut"));
    lblLeftOut->setVisible(!lblLeftOut->text().isEmpty());

    cmdPrint = new QPushButton(QStringLiteral("打印"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    cmdPrint->setToolTip(QStringLiteral("打印对比表（%1）").arg(cmdPrint->shortcut().toString(QKeySequence::NativeText)));
    cmdClose = new QPushButton(QStringLiteral("关闭"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setToolTip(QStringLiteral("关闭对比（Esc）"));
    for (QPushButton *button : {cmdPrint, cmdClose})
        button->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblDifference);
    buttons->addWidget(lblLeftOut);
    buttons->addStretch();
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tblCompare);
    layout->addLayout(buttons);
    connect(cmdPrint, &QPushButton::clicked, this, &frmQX_Compare::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    fillTable();
    takesKeyboardWhenShown(*this);
    const QScreen *shownOn = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = shownOn ? shownOn->availableGeometry().size() * 9 / 10 : QSize(760, 540);
    resize(qMin(room.width(), DesignScale::pixels(140 + 220 * int(m_comparison.listings().size()))), room.height());
}

void frmQX_Compare::fillTable()
{
    const QVector<Handout::Listing> &listings = m_comparison.listings();
    const QVector<Comparison::Row> &rows = m_comparison.rows();
    tblCompare->setColumnCount(int(listings.size()));
    tblCompare->setRowCount(1 + int(rows.size()));
    const QSize photoShown = DesignScale::pixels(photoDesigned);
    tblCompare->setHorizontalHeaderLabels(m_comparison.numbers());
    QStringList labels = {QStringLiteral("图片")};
    for (const Comparison::Row &row : rows)
        labels << row.label;
    tblCompare->setVerticalHeaderLabels(labels);

    for (int column = 0; column < listings.size(); ++column) {
        auto *photo = new QLabel;
        photo->setAlignment(Qt::AlignCenter);
        photo->setMinimumHeight(photoShown.height() + DesignScale::pixels(6));
        // Decoded at the screen's device pixels, so that a photo stays sharp at 200 %.
        const QImage picture = m_comparison.photo(column, photoShown * devicePixelRatioF());
        if (!picture.isNull())
            photo->setPixmap(devicePixmap(picture, photoShown, devicePixelRatioF(), Qt::KeepAspectRatio));
        tblCompare->setCellWidget(0, column, photo);
        // The photos are no cell to stand on: the keys scroll through the rows of text.
        auto *under = new QTableWidgetItem;
        under->setFlags(Qt::NoItemFlags);
        tblCompare->setItem(0, column, under);
    }
    for (int row = 0; row < rows.size(); ++row) {
        const Comparison::Row &compared = rows.at(row);
        if (compared.differs) {
            QFont bold = tblCompare->verticalHeaderItem(row + 1)->font();
            bold.setBold(true);
            tblCompare->verticalHeaderItem(row + 1)->setFont(bold);
        }
        for (int column = 0; column < compared.values.size(); ++column) {
            auto *value = new QTableWidgetItem(compared.values.at(column));
            if (compared.differs)
                value->setBackground(Comparison::differenceColour());
            tblCompare->setItem(row + 1, column, value);
        }
    }
    tblCompare->resizeRowsToContents();
}

void frmQX_Compare::cmdPrint_Click()
{
    frmQX_PrintPreview::showPreview(m_comparison.document(m_credit, QDate::currentDate()), this,
                                    m_comparison.leftOutWord());
}
