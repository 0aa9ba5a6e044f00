#include "forms/main/photoreduction.h"

#include <algorithm>

namespace {

// The pixel as it shows on white paper: opaque pixels as they are, a transparent part
// showing the white beneath.
QRgb onWhite(QRgb pixel)
{
    const int alpha = qAlpha(pixel);
    if (alpha == 255)
        return pixel;
    const auto channel = [alpha](int value) { return (value * alpha + 255 * (255 - alpha) + 127) / 255; };
    return qRgb(channel(qRed(pixel)), channel(qGreen(pixel)), channel(qBlue(pixel)));
}

} // namespace

PhotoReduction::PhotoReduction(const QSize &stored, const QSize &reduced)
    : m_picture(reduced, QImage::Format_RGB32), m_sameSize(stored == reduced), m_columns(shares(stored.width(), reduced.width())),
      m_rows(shares(stored.height(), reduced.height())), m_across(3 * (reduced.width() + 1)), m_sum(3 * (reduced.width() + 1))
{
}

QVector<PhotoReduction::Share> PhotoReduction::shares(int stored, int reduced)
{
    // Measured in units of 1/stored of a reduced pixel and 1/reduced of a stored one, every
    // edge falls on a whole unit: stored pixel i spans [i * reduced, (i + 1) * reduced), reduced
    // pixel j spans [j * stored, (j + 1) * stored). As reduced <= stored, a stored pixel
    // reaches into two reduced ones at most.
    QVector<Share> landing;
    landing.reserve(stored);
    for (qint64 i = 0; i < stored; ++i) {
        const qint64 start = i * reduced;
        const qint64 end = start + reduced;
        const qint64 first = start / stored;
        const qint64 edge = (first + 1) * stored;
        const qint64 inFirst = qMin(end, edge) - start;
        landing.append({int(first), float(inFirst) / float(stored), float(end - start - inFirst) / float(stored)});
    }
    return landing;
}

void PhotoReduction::addRow(const QRgb *row)
{
    if (m_storedRow == m_rows.size())
        return;
    if (m_sameSize) {
        auto *line = reinterpret_cast<QRgb *>(m_picture.scanLine(m_storedRow++));
        std::transform(row, row + m_picture.width(), line, onWhite);
        return;
    }
    // The pixels reduced across, every one added to two reduced pixels (the second with no
    // weight where it lies wholly in the first), which keeps the loop free of branches.
    std::fill(m_across.begin(), m_across.end(), 0.0f);
    float *across = m_across.data();
    const Share *columns = m_columns.constData();
    for (int x = 0; x < m_columns.size(); ++x) {
        const QRgb pixel = qAlpha(row[x]) == 255 ? row[x] : onWhite(row[x]);
        const float red = float(qRed(pixel));
        const float green = float(qGreen(pixel));
        const float blue = float(qBlue(pixel));
        const Share &share = columns[x];
        float *first = across + 3 * share.first;
        first[0] += share.firstWeight * red;
        first[1] += share.firstWeight * green;
        first[2] += share.firstWeight * blue;
        first[3] += share.secondWeight * red;
        first[4] += share.secondWeight * green;
        first[5] += share.secondWeight * blue;
    }

    const Share &share = m_rows.at(m_storedRow);
    float *sum = m_sum.data();
    for (int i = 0; i < m_sum.size(); ++i)
        sum[i] += share.firstWeight * across[i];
    ++m_storedRow;
    const bool rowEnds = share.secondWeight > 0 || m_storedRow == m_rows.size()
                         || m_rows.at(m_storedRow).first != share.first;
    if (!rowEnds)
        return;
    finishRow();
    for (int i = 0; i < m_sum.size(); ++i)
        sum[i] = share.secondWeight * across[i];
}

void PhotoReduction::addPicture(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32) {
            addRow(reinterpret_cast<const QRgb *>(picture.constScanLine(y)));
            continue;
        }
        // Any other format is converted a row at a time, never as a whole picture.
        QImage one(picture.constScanLine(y), picture.width(), 1, picture.bytesPerLine(), picture.format());
        one.setColorTable(picture.colorTable());
        const QImage converted = one.convertToFormat(QImage::Format_ARGB32);
        addRow(reinterpret_cast<const QRgb *>(converted.constScanLine(0)));
    }
}

void PhotoReduction::finishRow()
{
    auto *line = reinterpret_cast<QRgb *>(m_picture.scanLine(m_reducedRow));
    const auto level = [](float value) { return qBound(0, int(value + 0.5f), 255); };
    const float *sum = m_sum.constData();
    for (int x = 0; x < m_picture.width(); ++x)
        line[x] = qRgb(level(sum[3 * x]), level(sum[3 * x + 1]), level(sum[3 * x + 2]));
    ++m_reducedRow;
}
