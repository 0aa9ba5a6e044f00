#include "core/dberror.h"
#include "core/valuetext.h"

#include <QDateTime>
#include <QTest>

class TestValueText : public QObject
{
    Q_OBJECT
private slots:
    void plainTextOfEveryKindOfValue();
    void numbersCompareByValue();
    void onlyBlanksAreTrimmed();
    void quotesInNamesAreDoubled();
    void errorReportShowsNumberAndDescription();
};

void TestValueText::plainTextOfEveryKindOfValue()
{
    QCOMPARE(ValueText::plain(QVariant()), QString());
    QVERIFY(ValueText::plain(QVariant()).isEmpty());
    QCOMPARE(ValueText::plain(QStringLiteral(" 三房 ")), QStringLiteral(" 三房 "));
    QCOMPARE(ValueText::plain(qlonglong(1500)), QStringLiteral("1500"));
    QCOMPARE(ValueText::plain(1500.0), QStringLiteral("1500"));
    QCOMPARE(ValueText::plain(85.5), QStringLiteral("85.5"));
    QCOMPARE(ValueText::plain(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    QCOMPARE(ValueText::plain(12345678.25), QStringLiteral("12345678.25"));
    QCOMPARE(ValueText::plain(-3.0), QStringLiteral("-3"));
    QCOMPARE(ValueText::plain(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7))), QStringLiteral("2024-03-05 09:05:07"));
    QCOMPARE(ValueText::plain(true), QStringLiteral("-1"));
}

void TestValueText::numbersCompareByValue()
{
    QVERIFY(ValueText::equalsNumber(qlonglong(1), 1));
    QVERIFY(ValueText::equalsNumber(1.0, 1));
    QVERIFY(ValueText::equalsNumber(QStringLiteral("1"), 1));
    QVERIFY(ValueText::equalsNumber(QStringLiteral(" 2 "), 2));
    QVERIFY(!ValueText::equalsNumber(QVariant(), 1));
    QVERIFY(!ValueText::equalsNumber(-1, 1));
    QVERIFY(!ValueText::equalsNumber(2, 1));
    QVERIFY(!ValueText::equalsNumber(1.5, 1));
    QVERIFY(!ValueText::equalsNumber(QStringLiteral("一"), 1));
    QVERIFY(!ValueText::equalsNumber(QString(), 0));
}

void TestValueText::onlyBlanksAreTrimmed()
{
    QCOMPARE(ValueText::trimBlanks(QStringLiteral("  客厅  ")), QStringLiteral("客厅"));
    QCOMPARE(ValueText::trimBlanks(QStringLiteral("\u3000客厅\u3000")), QStringLiteral("\u3000客厅\u3000"));
    QCOMPARE(ValueText::trimBlanks(QStringLiteral("\t客厅 ")), QStringLiteral("\t客厅"));
    QCOMPARE(ValueText::trimBlanks(QStringLiteral("   ")), QString());
}

void TestValueText::quotesInNamesAreDoubled()
{
    // Names of the agency's Access tables carry blanks, "/" and now and then a quote.
    QCOMPARE(ValueText::quotedName(QStringLiteral("Muffin/Bread")), QStringLiteral("\"Muffin/Bread\""));
    QCOMPARE(ValueText::quotedName(QStringLiteral("Vit \"A\"")), QStringLiteral("\"Vit \"\"A\"\"\""));
}

void TestValueText::errorReportShowsNumberAndDescription()
{
    QCOMPARE(DbError(3021, QStringLiteral("没有当前记录")).report(), QStringLiteral("( 3021)没有当前记录"));
    QCOMPARE(DbError(0, QStringLiteral("x")).report(), QStringLiteral("( 0)x"));
    QCOMPARE(DbError(-2147467259, QStringLiteral("未指定的错误")).report(),
             QStringLiteral("(-2147467259)未指定的错误"));
}

QTEST_GUILESS_MAIN(TestValueText)
#include "tst_valuetext.moc"
