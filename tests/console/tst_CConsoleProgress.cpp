// SPDX-License-Identifier: GPL-3.0-or-later
// The status line the console draws on a terminal while it scans.
#include "CConsoleProgress.h"

#include <QtTest>

class TestCConsoleProgress : public QObject
{
    Q_OBJECT

private slots:
    void line_data();
    void line();
};

void TestCConsoleProgress::line_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("alive");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing done yet has no estimate")
        << 0ll << 254ll << 0ll << 0ll << "0/254 hosts, 0 alive, 0:00 elapsed";
    QTest::newRow("first second has no estimate")
        << 10ll << 254ll << 3ll << 999ll << "10/254 hosts, 3 alive, 0:00 elapsed";
    QTest::newRow("a quarter in ten seconds leaves thirty")
        << 64ll << 256ll << 12ll << 10000ll
        << "64/256 hosts, 12 alive, 0:10 elapsed, 6.4 hosts/s, about 0:30 left";
    QTest::newRow("hours are shown")
        << 1ll << 3ll << 1ll << 3723000ll
        << "1/3 hosts, 1 alive, 1:02:03 elapsed, 0.0 hosts/s, about 2:04:06 left";
    QTest::newRow("a fast scan's rate is whole")
        << 300ll << 65536ll << 2ll << 2000ll
        << "300/65536 hosts, 2 alive, 0:02 elapsed, 150 hosts/s, about 7:14 left";
    QTest::newRow("all done has no estimate")
        << 5ll << 5ll << 5ll << 6500ll << "5/5 hosts, 5 alive, 0:06 elapsed, 0.8 hosts/s";
}

void TestCConsoleProgress::line()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, alive);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, text);
    QCOMPARE(CConsoleProgress::Line(done, total, alive, elapsedMs), text);
}

QTEST_GUILESS_MAIN(TestCConsoleProgress)
#include "tst_CConsoleProgress.moc"
