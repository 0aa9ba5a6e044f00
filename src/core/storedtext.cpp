#include "core/storedtext.h"

namespace {

constexpr char16_t byteOrderMark = 0xFEFF;
const QByteArrayView utf8ByteOrderMark("\xEF\xBB\xBF");

} // namespace

StoredText::StoredText(const QString &text) : m_bytes(text.isNull() ? QByteArray() : text.toUtf8())
{
    // Text that is empty but not Null stays not Null.
    if (!text.isNull() && m_bytes.isNull())
        m_bytes = QByteArray("");
}

StoredText StoredText::fromBytes(QByteArrayView bytes)
{
    StoredText stored;
    stored.m_bytes = bytes.isNull() ? QByteArray("") : bytes.toByteArray();
    return stored;
}

QString StoredText::shown() const
{
    QString text(StoredTextDecoder::capacityFor(m_bytes), Qt::Uninitialized);
    StoredTextDecoder decoder;
    text.truncate(decoder.decode(m_bytes, text.data()) - text.constData());
    return text;
}

QChar *StoredTextDecoder::decode(QByteArrayView bytes, QChar *out)
{
    // The UTF-8 decoder drops a leading byte-order mark itself.
    QChar *end = m_utf8.appendToBuffer(out, bytes);
    const bool utf8 = !m_utf8.hasError();
    m_utf8.resetState();
    if (utf8)
        return end;
    if (!m_gb18030)
        m_gb18030.emplace("GB18030", QStringDecoder::Flag::Stateless);
    if (bytes.startsWith(utf8ByteOrderMark))
        bytes = bytes.sliced(utf8ByteOrderMark.size());
    end = m_gb18030->appendToBuffer(out, bytes);
    m_gb18030->resetState();
    // GB18030 has a byte-order mark of its own.
    if (end != out && out->unicode() == byteOrderMark) {
        std::copy(out + 1, end, out);
        --end;
    }
    return end;
}
