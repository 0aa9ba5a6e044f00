#pragma once

#include <QString>
#include <exception>

// A failure of the data layer, carried the way the login's error report shows it:
// a number and a description.
class DbError : public std::exception
{
public:
    // Numbers the data layer raises itself, taken over from the numbering users of the
    // earlier Windows program know from its error reports.
    enum Number : int {
        InvalidUseOfNull = 94,
        NoCurrentRecord = 3021,
        ItemNotFound = 3265,
        ObjectClosed = 3704,
        ProviderError = -2147467259,
        QueryTimeout = -2147217871,
    };

    DbError(int number, QString description);
    // The engine found the database damaged; number is the engine's own.
    static DbError damaged(int number);
    // A statement ran longer than the connection allows and was stopped.
    static DbError timedOut(int seconds);

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    // "(" + number + ")" + description, a blank before a number that is zero or positive.
    QString report() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
