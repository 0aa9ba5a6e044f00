#include "screenfit.h"

#include "forms/common/imagebox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTableView>
#include <cmath>

namespace {

// The kinds of controls a person looks at: what shows a caption, a value, a list or a photo.
bool isControl(const QWidget *widget)
{
    return qobject_cast<const QLabel *>(widget) || qobject_cast<const QLineEdit *>(widget)
           || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractButton *>(widget)
           || qobject_cast<const QAbstractItemView *>(widget) || qobject_cast<const ImageBox *>(widget);
}

// The controls of window that are shown, each once: not the parts of another control (a
// list's header), nor the status bar's panels.
QList<QWidget *> shownControls(QWidget *window)
{
    QList<QWidget *> controls;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!isControl(widget) || !widget->isVisibleTo(window))
            continue;
        bool part = false;
        for (QWidget *above = widget->parentWidget(); above != window; above = above->parentWidget())
            part = part || isControl(above) || qobject_cast<QStatusBar *>(above);
        if (!part)
            controls << widget;
    }
    return controls;
}

QList<QWidget *> shownFrames(QWidget *window)
{
    QList<QWidget *> frames;
    const QList<QGroupBox *> groups = window->findChildren<QGroupBox *>();
    for (QGroupBox *frame : groups) {
        if (frame->isVisibleTo(window))
            frames << frame;
    }
    return frames;
}

QRect inWindow(const QWidget *widget, const QWidget *window)
{
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

QString describe(const QWidget *widget, const QWidget *window)
{
    const QRect place = inWindow(widget, window);
    return QStringLiteral("%1 (%2,%3 %4x%5)")
        .arg(widget->objectName())
        .arg(place.x())
        .arg(place.y())
        .arg(place.width())
        .arg(place.height());
}

// Where a caption, drawn as the control draws it (in its font, aligned in room), leaves ink
// outside the control, for the control's edge to cut off: drawn without that edge, at the
// screen's device pixels, and looked at. Empty when all of it is inside.
QString inkOutside(const QWidget *control, const QString &text, const QRect &room, int alignment)
{
    const qreal ratio = control->devicePixelRatioF();
    const int margin = room.height() + 8;
    const QRect bounds = control->rect().translated(margin, margin);
    QImage canvas((control->size() + QSize(2 * margin, 2 * margin)) * ratio, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setFont(control->font());
        painter.setPen(Qt::black);
        painter.drawText(room.translated(margin, margin), alignment | Qt::TextShowMnemonic, text);
    }
    QStringList sides;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (qGray(canvas.pixel(x, y)) >= 160)
                continue;
            const QPoint at(int(std::floor(x / ratio)), int(std::floor(y / ratio)));
            const QString side = at.y() < bounds.top()      ? QStringLiteral("above")
                                 : at.y() > bounds.bottom() ? QStringLiteral("below")
                                 : at.x() < bounds.left()   ? QStringLiteral("left")
                                 : at.x() > bounds.right()  ? QStringLiteral("right")
                                                            : QString();
            if (!side.isEmpty() && !sides.contains(side))
                sides << side;
        }
    }
    return sides.join(QLatin1Char(' '));
}

QString cutCaption(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (label->text().isEmpty())
            return QString();
        QRect room = label->contentsRect();
        // A label in a frame keeps half an x from its left edge.
        const int indent = label->indent() >= 0 ? label->indent()
                           : label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                                                     : 0;
        room.setLeft(room.left() + indent);
        const QString outside = inkOutside(label, label->text(), room, int(label->alignment()));
        return outside.isEmpty() ? QString() : label->text() + QStringLiteral("\" ink ") + outside + QLatin1Char('"');
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        int alignment = Qt::AlignCenter;
        if (qobject_cast<const QRadioButton *>(button)) {
            contents = QStyle::SE_RadioButtonContents;
            alignment = Qt::AlignLeft | Qt::AlignVCenter;
        } else if (const auto *push = qobject_cast<const QPushButton *>(button); push && push->autoDefault()) {
            option.features |= QStyleOptionButton::AutoDefaultButton;
        }
        const QRect room = button->style()->subElementRect(contents, &option, button);
        const QString outside = inkOutside(button, button->text(), room, alignment);
        return outside.isEmpty() ? QString() : button->text() + QStringLiteral("\" ink ") + outside + QLatin1Char('"');
    }
    if (const auto *list = qobject_cast<const QTableView *>(control)) {
        const QHeaderView *header = list->horizontalHeader();
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int section = 0; section < header->count(); ++section) {
            const QString text = list->model()->headerData(section, Qt::Horizontal).toString();
            const QRect cell(header->sectionViewportPosition(section), 0, header->sectionSize(section), header->height());
            const QString outside = inkOutside(header, text, cell.adjusted(margin, 0, -margin, 0),
                                               int(header->defaultAlignment()));
            if (!outside.isEmpty() || cell.right() >= header->width())
                return text;
        }
    }
    return QString();
}

QString cutTitle(const QGroupBox *frame)
{
    if (frame->title().isEmpty())
        return QString();
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect title = frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
    return inkOutside(frame, frame->title(), title, Qt::AlignCenter).isEmpty() ? QString() : frame->title();
}

} // namespace

QStringList coveredOrCutOff(QWidget *window)
{
    QStringList problems;
    const QList<QWidget *> controls = shownControls(window);
    const QList<QWidget *> frames = shownFrames(window);
    auto *bar = window->findChild<QStatusBar *>();
    for (int i = 0; i < controls.size(); ++i) {
        const QWidget *control = controls.at(i);
        const QRect place = inWindow(control, window);
        for (int j = i + 1; j < controls.size(); ++j) {
            if (place.intersects(inWindow(controls.at(j), window)))
                problems << describe(control, window) + QStringLiteral(" overlaps ") + describe(controls.at(j), window);
        }
        if (!control->parentWidget()->rect().contains(control->geometry()))
            problems << describe(control, window) + QStringLiteral(" sticks out of ") + control->parentWidget()->objectName();
        if (const QString cut = cutCaption(control); !cut.isEmpty())
            problems << describe(control, window) + QStringLiteral(" shows \"%1\" cut off").arg(cut);
    }
    for (const QWidget *frame : frames) {
        if (!window->rect().contains(inWindow(frame, window)))
            problems << describe(frame, window) + QStringLiteral(" sticks out of the window");
        if (const QString cut = cutTitle(static_cast<const QGroupBox *>(frame)); !cut.isEmpty())
            problems << describe(frame, window) + QStringLiteral(" shows \"%1\" cut off").arg(cut);
    }
    if (bar) {
        const QRect barPlace = inWindow(bar, window);
        if (!window->rect().contains(barPlace))
            problems << describe(bar, window) + QStringLiteral(" sticks out of the window");
        for (const QWidget *covered : controls + frames) {
            if (barPlace.intersects(inWindow(covered, window)))
                problems << describe(bar, window) + QStringLiteral(" covers ") + describe(covered, window);
        }
        const QList<QLabel *> panels = bar->findChildren<QLabel *>();
        for (const QLabel *panel : panels) {
            if (const QString cut = cutCaption(panel); !cut.isEmpty())
                problems << QStringLiteral("status panel \"%1\" cut off").arg(cut);
        }
    }
    return problems;
}

qreal screenSpanned(QWidget *window)
{
    QRect spanned;
    for (const QWidget *shown : shownControls(window) + shownFrames(window))
        spanned |= inWindow(shown, window);
    spanned.translate(window->mapToGlobal(QPoint(0, 0)));
    const QRect area = window->screen()->availableGeometry();
    return qMax(qreal(spanned.width()) / area.width(), qreal(spanned.height()) / area.height());
}

QMap<QString, QRect> placesIn(QWidget *window)
{
    QMap<QString, QRect> places{{window->objectName(), QRect(QPoint(), window->size())}};
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        // A list's drop-down is a window of its own, placed where it drops down.
        if (!widget->objectName().isEmpty() && widget->window() == window)
            places.insert(widget->objectName(), widget->geometry());
    }
    return places;
}

QStringList drawingProblems(QWidget *window, const QMap<QString, QRect> &asBuilt, qreal factor)
{
    QStringList problems = coveredOrCutOff(window);
    const QMap<QString, QRect> drawn = placesIn(window);
    for (auto place = asBuilt.cbegin(); place != asBuilt.cend(); ++place) {
        if (drawn.value(place.key()) != place.value()) {
            const QRect at = drawn.value(place.key());
            problems << QStringLiteral("%1 drawn at %2,%3 %4x%5, built at %6,%7 %8x%9")
                            .arg(place.key())
                            .arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height())
                            .arg(place.value().x()).arg(place.value().y())
                            .arg(place.value().width()).arg(place.value().height());
        }
    }
    if (!qFuzzyCompare(window->font().pointSizeF(), DesignScale::designedPointSize * factor))
        problems << QStringLiteral("text in %1 points").arg(window->font().pointSizeF());
    return problems;
}

void scalesToCheck()
{
    QTest::addColumn<qreal>("factor");
    for (qreal factor : {1.0, 0.93, 1.33, 1.87, 3.75})
        QTest::newRow(qPrintable(QString::number(factor))) << factor;
}

QMap<QString, QRectF> detailBoxesInPanel(QWidget *window)
{
    QMap<QString, QRectF> places;
    const auto *panel = window->findChild<QWidget *>(QStringLiteral("Frame3"));
    const QList<QLineEdit *> boxes = panel->findChildren<QLineEdit *>();
    const qreal width = panel->width();
    const qreal height = panel->height();
    for (const QLineEdit *box : boxes) {
        const QRect place = box->geometry();
        places.insert(box->objectName(),
                      QRectF(place.x() / width, place.y() / height, place.width() / width, place.height() / height));
    }
    return places;
}

QStringList placesDiffer(const QMap<QString, QRectF> &expected, const QMap<QString, QRectF> &drawn, qreal tolerance)
{
    QStringList differ;
    for (auto box = expected.cbegin(); box != expected.cend(); ++box) {
        const QRectF want = box.value();
        const QRectF got = drawn.value(box.key());
        const qreal off = qMax(qMax(qAbs(got.left() - want.left()), qAbs(got.top() - want.top())),
                               qMax(qAbs(got.right() - want.right()), qAbs(got.bottom() - want.bottom())));
        if (off > tolerance || !drawn.contains(box.key()))
            differ << QStringLiteral("%1 off by %2 %").arg(box.key()).arg(off * 100, 0, 'f', 1);
    }
    return differ;
}
