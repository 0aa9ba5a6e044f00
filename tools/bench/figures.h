#pragma once

#include <QString>
#include <QVector>
#include <functional>

// Times one thing several times and keeps every run.
struct Samples
{
    QVector<double> ms;
    double median() const;
    double lowest() const;
    double highest() const;
};

Samples timeRuns(int runs, const std::function<void()> &once);

// One line of a figures table: what was measured, against what, and the target.
struct Figure
{
    QString name;
    Samples program;
    Samples baseline; // empty where the figure has none
    QString target;
    QString unit = QStringLiteral("ms");
};

void printTable(const QString &title, const QVector<Figure> &figures);
