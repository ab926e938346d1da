// The typed formatter of the packs' texts: every conversion the texts use,
// and the bad input of a pack whose placeholders do not fit the arguments.

#include "base/TextFormatter.h"

#include <QTest>

using namespace nbr;

class TestTextFormatter : public QObject {
    Q_OBJECT

private slots:
    void conversions();
    void decimalPointFollowsTheLanguage();
    void mismatchesStayReadable();
    void boundsHold();
    void placeholders();
};

void TestTextFormatter::conversions()
{
    bool ok = false;
    QCOMPARE(TextFormatter::Format(QStringLiteral("%s has %d items"), {QStringLiteral("Docs"), 3}, &ok),
             QStringLiteral("Docs has 3 items"));
    QVERIFY(ok);
    QCOMPARE(TextFormatter::Format(QStringLiteral("%u"), {4294967295u}), QStringLiteral("4294967295"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%I64d bytes"), {-1234567890123LL}), QStringLiteral("-1234567890123 bytes"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%I64d / %I64d bytes"), {512LL, 1024LL}), QStringLiteral("512 / 1024 bytes"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%.02f / %.02f %s"), {0.9536743f, 4.7683716, QStringLiteral("MB")}),
             QStringLiteral("0.95 / 4.77 MB"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("(0x%08X)"), {0x80070005u}), QStringLiteral("(0x80070005)"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%08X"), {5}), QStringLiteral("00000005"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%x|%5d|%-5d|%+d"), {255, 42, 42, 7}), QStringLiteral("ff|   42|42   |+7"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("100%% sure"), {}, &ok), QStringLiteral("100% sure"));
    QVERIFY(ok);
    QCOMPARE(TextFormatter::Format(QStringLiteral("%s (%d/%d)"), {QStringLiteral("Waiting"), 2, 6}),
             QStringLiteral("Waiting (2/6)"));
    QCOMPARE(TextFormatter::Format(QStringLiteral("%ls and %hs"), {QStringLiteral("wide"), QStringLiteral("narrow")}),
             QStringLiteral("wide and narrow"));
}

void TestTextFormatter::decimalPointFollowsTheLanguage()
{
    QCOMPARE(TextFormatter::Format(QStringLiteral("%.02f MB"), {1.5}, nullptr, QLatin1Char(',')), QStringLiteral("1,50 MB"));
}

void TestTextFormatter::mismatchesStayReadable()
{
    bool ok = true;
    // More conversions than arguments: the rest stays as written, nothing is read.
    QCOMPARE(TextFormatter::Format(QStringLiteral("%s and %s and %d"), {QStringLiteral("one")}, &ok),
             QStringLiteral("one and %s and %d"));
    QVERIFY(!ok);
    // A number where text was expected, text where a number was: shown as they are.
    QCOMPARE(TextFormatter::Format(QStringLiteral("[%s] [%d]"), {7, QStringLiteral("seven")}, &ok),
             QStringLiteral("[7] [seven]"));
    QVERIFY(!ok);
    // Arguments left over.
    QCOMPARE(TextFormatter::Format(QStringLiteral("plain"), {1, 2}, &ok), QStringLiteral("plain"));
    QVERIFY(!ok);
    // Conversions that write memory or read pointers do nothing.
    QCOMPARE(TextFormatter::Format(QStringLiteral("a%nb%pc"), {1}, &ok), QStringLiteral("a%nb%pc"));
    QVERIFY(!ok);
    QCOMPARE(TextFormatter::Format(QStringLiteral("cut off %"), {}, &ok), QStringLiteral("cut off %"));
    QVERIFY(!ok);
    QCOMPARE(TextFormatter::Format(QStringLiteral("cut off %0"), {}, &ok), QStringLiteral("cut off %0"));
    QCOMPARE(TextFormatter::Format(QString(), {}, &ok), QString());
}

void TestTextFormatter::boundsHold()
{
    // A width from a file cannot make the text huge.
    const QString wide = TextFormatter::Format(QStringLiteral("%999999999d"), {1});
    QVERIFY(wide.size() <= 1024);
    QVERIFY(wide.endsWith(QLatin1Char('1')));
    const QString many = TextFormatter::Format(QStringLiteral("%s").repeated(200), {QString(200, u'x')});
    QVERIFY(many.size() <= TextFormatter::kMaxLength);
    QCOMPARE(TextFormatter::Format(QStringLiteral("%.999999f"), {1.0}).left(4), QStringLiteral("1.00"));
}

void TestTextFormatter::placeholders()
{
    QCOMPARE(TextFormatter::Placeholders(QStringLiteral("%s of %d, 100%%, %.02f %08X")),
             (QStringList {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%.02f"), QStringLiteral("%08X")}));
    QCOMPARE(TextFormatter::Placeholders(QStringLiteral("none")), QStringList());
}

QTEST_GUILESS_MAIN(TestTextFormatter)
#include "tst_textformatter.moc"
