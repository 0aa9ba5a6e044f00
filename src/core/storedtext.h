#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QStringDecoder>
#include <optional>

// A text exactly as the database holds it. Older tools filled many agencies' databases with
// GBK bytes, or put a byte-order mark before the text: such a value goes back into a
// statement as the very bytes it came with, never decoded and encoded again, or it would
// no longer find its own row. What is shown is its decoded text.
class StoredText
{
public:
    // Null: the field holds no value.
    StoredText() = default;
    // Text the program itself writes or was handed as text, stored as UTF-8.
    StoredText(const QString &text);
    static StoredText fromBytes(QByteArrayView bytes);

    bool isNull() const { return m_bytes.isNull(); }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    void clear() { m_bytes = QByteArray(); }
    const QByteArray &bytes() const { return m_bytes; }
    // UTF-8 when the bytes are valid UTF-8, GB18030 otherwise; a byte-order mark dropped.
    QString shown() const;

    friend bool operator==(const StoredText &a, const StoredText &b)
    {
        return a.isNull() == b.isNull() && a.m_bytes == b.m_bytes;
    }
    friend bool operator!=(const StoredText &a, const StoredText &b) { return !(a == b); }

private:
    QByteArray m_bytes;
};

Q_DECLARE_METATYPE(StoredText)

// Turns stored bytes into the text shown, cell after cell, without allocating for each: the
// decoders are kept between cells, and the text is written where the caller says.
class StoredTextDecoder
{
public:
    // Room enough for the text of bytes in either encoding (GB18030 asks for two
    // characters a byte, UTF-8 for one more than the bytes).
    static qsizetype capacityFor(QByteArrayView bytes) { return 2 * bytes.size() + 1; }
    // Writes the shown text of bytes to out, which has room for capacityFor(bytes)
    // characters; returns the end of what was written.
    QChar *decode(QByteArrayView bytes, QChar *out);

private:
    // Stateless: a value that ends inside a sequence is an error, not a sequence to go on.
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    // Opened the first time a value is not UTF-8: most databases never need it.
    std::optional<QStringDecoder> m_gb18030;
};
