#include "core/pgstatement.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Words that end an ORDER BY list at its own level of parentheses.
bool endsOrderList(const QString &upperWord)
{
    static const QStringList ends = {QStringLiteral("LIMIT"),     QStringLiteral("OFFSET"), QStringLiteral("FETCH"),
                                     QStringLiteral("FOR"),       QStringLiteral("UNION"),  QStringLiteral("INTERSECT"),
                                     QStringLiteral("EXCEPT"),    QStringLiteral("ROWS"),   QStringLiteral("RANGE"),
                                     QStringLiteral("GROUPS"),    QStringLiteral("WINDOW")};
    return ends.contains(upperWord);
}

// Copies the statement token by token, changing what the server reads otherwise.
class Translation
{
public:
    explicit Translation(const QString &source) : m_in(source) {}

    QString run()
    {
        while (m_at < m_in.size()) {
            const QChar c = m_in.at(m_at);
            if (c.isSpace())
                copyWhile([](QChar next) { return next.isSpace(); });
            else if (startsWith("--"))
                copyUntilAfter(QStringLiteral("\n"));
            else if (startsWith("/*"))
                copyUntilAfter(QStringLiteral("*/"));
            else if (c == QLatin1Char('\''))
                literal();
            else if (c == QLatin1Char('"'))
                quotedName();
            else if (c == QLatin1Char('?'))
                parameter();
            else if (isWordCharacter(c))
                word();
            else
                symbol(c);
        }
        while (!m_orderLists.empty())
            closeOrderList();
        return m_out;
    }

private:
    bool startsWith(const char *text) const { return QStringView(m_in).mid(m_at).startsWith(QLatin1String(text)); }

    template <class Predicate>
    void copyWhile(Predicate keep)
    {
        const qsizetype begin = m_at;
        while (m_at < m_in.size() && keep(m_in.at(m_at)))
            ++m_at;
        m_out += QStringView(m_in).mid(begin, m_at - begin);
    }

    void copyUntilAfter(const QString &end)
    {
        const qsizetype found = m_in.indexOf(end, m_at + 2);
        const qsizetype stop = found < 0 ? m_in.size() : found + end.size();
        m_out += QStringView(m_in).mid(m_at, stop - m_at);
        m_at = stop;
    }

    // Text between single quotes, a doubled quote inside it.
    void literal()
    {
        qsizetype end = m_at + 1;
        while (end < m_in.size()) {
            if (m_in.at(end) == QLatin1Char('\'')) {
                if (end + 1 < m_in.size() && m_in.at(end + 1) == QLatin1Char('\''))
                    end += 2;
                else
                    break;
            } else {
                ++end;
            }
        }
        end = qMin(end + 1, m_in.size());
        m_out += QStringView(m_in).mid(m_at, end - m_at);
        m_at = end;
        significant(QString());
    }

    void quotedName()
    {
        qsizetype end = m_in.indexOf(QLatin1Char('"'), m_at + 1);
        while (end >= 0 && end + 1 < m_in.size() && m_in.at(end + 1) == QLatin1Char('"'))
            end = m_in.indexOf(QLatin1Char('"'), end + 2);
        end = end < 0 ? m_in.size() : end + 1;
        for (qsizetype i = m_at; i < end; ++i) {
            const QChar c = m_in.at(i);
            m_out += c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + ('a' - 'A')) : c;
        }
        m_at = end;
        significant(QString());
    }

    void parameter()
    {
        m_out += QLatin1Char('$') + QString::number(++m_parameters);
        ++m_at;
        significant(QString());
    }

    void word()
    {
        const qsizetype begin = m_at;
        while (m_at < m_in.size() && isWordCharacter(m_in.at(m_at)))
            ++m_at;
        const QString text = m_in.mid(begin, m_at - begin);
        const QString upper = text.toUpper();
        if (inOrderList() && endsOrderList(upper))
            closeOrderList();
        const bool opensOrderList = upper == QLatin1String("BY") && m_previousWord == QLatin1String("ORDER");
        if (upper == QLatin1String("NUMBER_OR_NULL") && numberOrNull())
            return;
        if (upper == QLatin1String("USER"))
            m_out += QStringLiteral("\"user\"");
        else if (upper == QLatin1String("LIKE"))
            m_out += QStringLiteral("ILIKE");
        else if (upper == QLatin1String("INSTR"))
            m_out += QStringLiteral("strpos");
        else
            m_out += text;
        if (opensOrderList) {
            m_orderLists.push_back(m_depth);
            m_termEnd = -1;
            m_previousWord.clear();
            return;
        }
        significant(upper);
        if (upper == QLatin1String("NULLS"))
            m_termHasNulls = true;
    }

    // number_or_null( column ): a column's text that reads as a number, as that number.
    bool numberOrNull()
    {
        static const QRegularExpression call(QStringLiteral("^\\s*\\(\\s*(\\w+)\\s*\\)"));
        const QRegularExpressionMatch match = call.match(QStringView(m_in).mid(m_at));
        if (!match.hasMatch())
            return false;
        const QString text = QStringLiteral("CAST(%1 AS TEXT)").arg(match.captured(1));
        m_out += QStringLiteral("(CASE WHEN %1 ~ '^ *[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)? *$'"
                                " THEN CAST(%1 AS NUMERIC) END)")
                     .arg(text);
        m_at += match.capturedLength(0);
        significant(QString());
        return true;
    }

    void symbol(QChar c)
    {
        ++m_at;
        if (c == QLatin1Char(')')) {
            if (inOrderList())
                closeOrderList();
            --m_depth;
        } else if (c == QLatin1Char(',') && inOrderList()) {
            closeTerm();
            m_out += c;
            m_previousWord.clear();
            return;
        } else if (c == QLatin1Char(';')) {
            while (inOrderList())
                closeOrderList();
        }
        m_out += c;
        if (c == QLatin1Char('('))
            ++m_depth;
        significant(QString());
    }

    // A token of the current ORDER BY key, if any, ends here.
    void significant(const QString &upperWord)
    {
        m_previousWord = upperWord;
        if (inOrderList()) {
            m_termEnd = m_out.size();
            m_termLastWord = upperWord;
        }
    }

    bool inOrderList() const { return !m_orderLists.empty() && m_orderLists.back() == m_depth; }

    void closeTerm()
    {
        if (m_termEnd >= 0 && !m_termHasNulls) {
            const bool descending = m_termLastWord == QLatin1String("DESC");
            m_out.insert(m_termEnd, descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST"));
        }
        m_termEnd = -1;
        m_termHasNulls = false;
    }

    void closeOrderList()
    {
        closeTerm();
        m_orderLists.pop_back();
    }

    const QString &m_in;
    qsizetype m_at = 0;
    QString m_out;
    int m_parameters = 0;
    int m_depth = 0;
    QString m_previousWord;
    // The levels of parentheses at which ORDER BY lists are open, innermost last.
    std::vector<int> m_orderLists;
    // Where the current key of the innermost list ends in the output, and its last word.
    qsizetype m_termEnd = -1;
    QString m_termLastWord;
    bool m_termHasNulls = false;
};

} // namespace

namespace PgStatement {

QByteArray translate(const QString &statement)
{
    return Translation(statement).run().toUtf8();
}

} // namespace PgStatement
