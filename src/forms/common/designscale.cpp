#include "forms/common/designscale.h"

#include "core/mQuillonix.h"

#include <QApplication>
#include <QLabel>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QWidget>
#include <cmath>

namespace {

// The application's style with its measures drawn at one scale. The scale lives here, in the
// style every window is drawn with, so that the two can never disagree.
class ScaledStyle : public QProxyStyle
{
public:
    ScaledStyle(QStyle *base, qreal factor) : QProxyStyle(base), m_factor(factor) {}

    qreal factor() const { return m_factor; }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        // The style works some measures out from others, asking this proxy again: only the
        // outermost answer is scaled, once.
        ++m_asking;
        const int designed = QProxyStyle::pixelMetric(metric, option, widget);
        --m_asking;
        return m_asking ? designed : scaled(designed);
    }

    int layoutSpacing(QSizePolicy::ControlType control1, QSizePolicy::ControlType control2,
                      Qt::Orientation orientation, const QStyleOption *option, const QWidget *widget) const override
    {
        ++m_asking;
        const int designed = QProxyStyle::layoutSpacing(control1, control2, orientation, option, widget);
        --m_asking;
        return m_asking ? designed : scaled(designed);
    }

private:
    // A measure of 0 or less means "none" or "ask otherwise", and stays; a line stays visible.
    // Rounded down, so that what a control holds (an indicator, its spacing and a caption)
    // never grows past the control's own scaled size.
    int scaled(int designed) const { return designed <= 0 ? designed : qMax(1, int(designed * m_factor)); }

    qreal m_factor;
    mutable int m_asking = 0;
};

const ScaledStyle *scaledStyle()
{
    return dynamic_cast<const ScaledStyle *>(QApplication::style());
}

// The style the program was started with, under the scaled one.
QString baseStyleName()
{
    const QStyle *style = QApplication::style();
    if (const ScaledStyle *scaled = scaledStyle())
        style = scaled->baseStyle();
    return style->name();
}

// What the widgets remember of their design, to be drawn again at another scale.
const char *const placeProperty = "designedPlace";
const char *const cornerProperty = "designedCorner";
const char *const sizeProperty = "designedSize";
const char *const styleSheetProperty = "designedStyleSheet";

void sizeToCaption(QLabel *label, const QPoint &corner)
{
    label->move(twips(corner.x()), twips(corner.y()));
    label->adjustSize();
    label->resize(label->width(), twips(180));
}

QString scaledStyleSheet(const QString &designed)
{
    static const QRegularExpression length(QStringLiteral("(\\d+)px"));
    QString sheet;
    qsizetype copied = 0;
    for (QRegularExpressionMatchIterator found = length.globalMatch(designed); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        const int value = match.captured(1).toInt();
        sheet += designed.mid(copied, match.capturedStart() - copied);
        sheet += QString::number(value == 0 ? 0 : qMax(1, DesignScale::pixels(value))) + QStringLiteral("px");
        copied = match.capturedEnd();
    }
    return sheet + designed.mid(copied);
}

// Places a widget again at the current scale, as far as it was placed from its design.
void redraw(QWidget *widget)
{
    const QVariant place = widget->property(placeProperty);
    if (place.isValid()) {
        const QRect designed = place.toRect();
        widget->setGeometry(pixels(twipsRect(designed.x(), designed.y(), designed.width(), designed.height())));
    }
    const QVariant corner = widget->property(cornerProperty);
    if (corner.isValid()) {
        if (auto *label = qobject_cast<QLabel *>(widget))
            sizeToCaption(label, corner.toPoint());
    }
    const QVariant size = widget->property(sizeProperty);
    if (size.isValid())
        widget->setFixedSize(twips(size.toSize().width()), twips(size.toSize().height()));
    const QVariant sheet = widget->property(styleSheetProperty);
    if (sheet.isValid())
        widget->setStyleSheet(scaledStyleSheet(sheet.toString()));
}

} // namespace

int twips(int value)
{
    return int(std::floor(value * DesignScale::factor() / 15.0 + 0.5));
}

QRect pixels(const TwipsRect &designed)
{
    return QRect(twips(designed.left), twips(designed.top), twips(designed.width), twips(designed.height));
}

namespace DesignScale {

qreal factor()
{
    const ScaledStyle *style = scaledStyle();
    return style ? style->factor() : 1;
}

bool setFactor(qreal factor)
{
    if (const ScaledStyle *style = scaledStyle(); style && qFuzzyCompare(style->factor(), factor))
        return false;
    // The font first: the style sheets are worked out again with the new style, in the new font.
    QFont font = QApplication::font();
    font.setPointSizeF(designedPointSize * factor);
    QApplication::setFont(font);
    // Every window and its controls take the new font, the application running or not yet.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        QEvent fontChange(QEvent::ApplicationFontChange);
        QCoreApplication::sendEvent(window, &fontChange);
    }
    QApplication::setStyle(new ScaledStyle(QStyleFactory::create(baseStyleName()), factor));
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets)
        redraw(widget);
    return true;
}

qreal fitting(const QSize &room)
{
    const qreal across = room.width() * 15.0 / designedClientArea.width();
    const qreal down = room.height() * 15.0 / designedClientArea.height();
    // In hundredths, so that a screen a little larger than the design (800 × 600 without a
    // title bar) draws it at its designed size.
    return qMax(0.01, std::floor(qMin(across, down) * 100 + 1e-6) / 100);
}

qreal chosenFor(const QSize &room)
{
    const std::optional<double> chosen = funLoadScale();
    return chosen ? *chosen : fitting(room);
}

int pixels(qreal designed)
{
    return int(std::floor(designed * factor() + 0.5));
}

QSize pixels(const QSize &designed)
{
    return QSize(pixels(designed.width()), pixels(designed.height()));
}

void place(QWidget *control, const TwipsRect &designed)
{
    control->setProperty(placeProperty, QRect(designed.left, designed.top, designed.width, designed.height));
    redraw(control);
}

void placeSizedToCaption(QLabel *label, int left, int top)
{
    label->setProperty(cornerProperty, QPoint(left, top));
    redraw(label);
}

void fixSize(QWidget *form, int width, int height)
{
    form->setProperty(sizeProperty, QSize(width, height));
    redraw(form);
}

void setStyleSheet(QWidget *control, const QString &designed)
{
    control->setProperty(styleSheetProperty, designed);
    redraw(control);
}

} // namespace DesignScale
