#include "figures.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

double Samples::median() const
{
    if (ms.isEmpty())
        return 0;
    QVector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::lowest() const
{
    return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end());
}

double Samples::highest() const
{
    return ms.isEmpty() ? 0 : *std::max_element(ms.begin(), ms.end());
}

Samples timeRuns(int runs, const std::function<void()> &once)
{
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        once();
        samples.ms.append(clock.nsecsElapsed() / 1e6);
    }
    return samples;
}

void printTable(const QString &title, const QVector<Figure> &figures)
{
    std::printf("\n%s\n\n", qPrintable(title));
    std::printf("| Figure | Median | Spread (min-max) | Baseline median | Ratio | Target |\n");
    std::printf("|---|---:|---:|---:|---:|---|\n");
    for (const Figure &figure : figures) {
        const bool hasBaseline = !figure.baseline.ms.isEmpty();
        const QString baseline = hasBaseline ? QString::number(figure.baseline.median(), 'f', 2) + ' ' + figure.unit
                                             : QStringLiteral("-");
        const QString ratio = hasBaseline && figure.baseline.median() > 0
                                  ? QString::number(figure.program.median() / figure.baseline.median(), 'f', 2)
                                  : QStringLiteral("-");
        std::printf("| %s | %.2f %s | %.2f-%.2f | %s | %s | %s |\n", qPrintable(figure.name), figure.program.median(),
                    qPrintable(figure.unit), figure.program.lowest(), figure.program.highest(), qPrintable(baseline),
                    qPrintable(ratio), qPrintable(figure.target));
    }
    std::fflush(stdout);
}
