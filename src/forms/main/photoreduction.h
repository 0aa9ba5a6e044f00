#pragma once

#include <QImage>
#include <QSize>
#include <QVector>

// Reduces a picture while its rows arrive one by one, top to bottom: each reduced pixel is
// the average of the stored pixels it covers, those it covers in part counted in part. A
// decoder that hands over its rows as it reads them never holds the stored picture, so
// memory follows the reduced size.
class PhotoReduction
{
public:
    // reduced is no larger than stored either way.
    PhotoReduction(const QSize &stored, const QSize &reduced);

    // The next stored row, stored.width() pixels in 32-bit colour; a transparent part is put
    // on white.
    void addRow(const QRgb *row);
    // Each row of a picture of the stored size, in any format.
    void addPicture(const QImage &picture);
    // The reduced picture in 32-bit colour, whole once every stored row has been added.
    const QImage &picture() const { return m_picture; }

private:
    // Where a stored column or row lands: wholly or partly in reduced pixel `first`, the rest
    // (weight `second`) in the next one.
    struct Share
    {
        int first;
        float firstWeight;
        float secondWeight;
    };
    static QVector<Share> shares(int stored, int reduced);
    void finishRow();

    QImage m_picture;
    // Nothing to reduce: each row is copied as it comes.
    bool m_sameSize;
    QVector<Share> m_columns;
    QVector<Share> m_rows;
    int m_storedRow = 0;
    // The stored row reduced across, and the reduced row being summed: red, green and blue
    // of each reduced pixel, and room for one more that only ever gets no weight.
    QVector<float> m_across;
    QVector<float> m_sum;
    int m_reducedRow = 0;
};
