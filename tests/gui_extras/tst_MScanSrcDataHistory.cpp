// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"
#include "CTestSandbox.h"
#include "MScanSrcDataHistory.h"

#include <QtTest>

#include <memory>

namespace {

const QString HistoryKey = QStringLiteral("State/IpRangesMruList");

QStringList Listed(MScanSrcDataHistory &io_rHistory)
{
    QStringList lsHistory{QStringLiteral("stale entry the slot must remove")};
    io_rHistory.OnScanHistoryRequired(lsHistory);
    return lsHistory;
}

} // namespace

class TestMScanSrcDataHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ranking_data();
    void ranking();
    void storedForm_data();
    void storedForm();
    void loading_data();
    void loading();
    void marksAreGoneAfterRestart();
    void laterConfigurationsDoNotReload();
    void neverConfiguredKeepsStoredHistory();
    void textWithLineBreakIsNotRecorded();

private:
    std::unique_ptr<CSettingsSandbox> m_pSandbox;
};

void TestMScanSrcDataHistory::init()
{
    m_pSandbox = std::make_unique<CSettingsSandbox>();
    QVERIFY(m_pSandbox->IsValid());
}

void TestMScanSrcDataHistory::cleanup()
{
    m_pSandbox.reset();
}

void TestMScanSrcDataHistory::ranking_data()
{
    QTest::addColumn<QStringList>("uses");
    QTest::addColumn<QStringList>("listed");
    const QString A = QStringLiteral("10.0.0.1-10.0.0.9");
    const QString B = QStringLiteral("198.18.0.0/24");
    const QString C = QStringLiteral("file:///home/user/ranges.txt");
    QTest::newRow("three uses come before one") << QStringList{A, A, A, B} << QStringList{A, B};
    QTest::newRow("three more uses overtake, with other scans between")
        << QStringList{A, A, A, B, B, C, B, C, B} << QStringList{B, A, C};
    QTest::newRow("equal counts: the one used last first")
        << QStringList{A, B} << QStringList{B, A};
    QTest::newRow("equal counts: order follows the last use")
        << QStringList{B, A, B, A} << QStringList{A, B};
    QTest::newRow("blanks around a text make a new entry that reads the same")
        << QStringList{A, QStringLiteral("  ") + A + QStringLiteral(" ")} << QStringList{A, A};
    QTest::newRow("the exact text counts for the first entry that reads the same")
        << QStringList{A, QStringLiteral(" ") + A, A, B, B} << QStringList{B, A, A};
    QTest::newRow("blank text is not recorded")
        << QStringList{A, QStringLiteral("   ")} << QStringList{A};
    QTest::newRow("case matters") << QStringList{C, C.toUpper()} << QStringList{C.toUpper(), C};
}

void TestMScanSrcDataHistory::ranking()
{
    QFETCH(QStringList, uses);
    QFETCH(QStringList, listed);
    MScanSrcDataHistory oHistory;
    oHistory.OnCfg(CCfg());
    for (const QString &sUse : uses)
        oHistory.OnScanSrcDataWasUsed(sUse);
    QCOMPARE(Listed(oHistory), listed);
}

void TestMScanSrcDataHistory::storedForm_data()
{
    QTest::addColumn<QStringList>("uses");
    QTest::addColumn<QString>("stored");
    QTest::newRow("counts and texts on alternate lines") << QStringList{QStringLiteral("A"),
                                                                        QStringLiteral("A"),
                                                                        QStringLiteral("A"),
                                                                        QStringLiteral("B")}
                                                         << QStringLiteral("3\nA\n1\nB");
    QTest::newRow("same source twice in a row stores two uses")
        << QStringList{QStringLiteral("A"), QStringLiteral("A")} << QStringLiteral("2\nA");
    QTest::newRow("marked entry used again keeps leading") << QStringList{QStringLiteral("B"),
                                                                          QStringLiteral("A"),
                                                                          QStringLiteral("A"),
                                                                          QStringLiteral("B")}
                                                           << QStringLiteral("2\nB\n2\nA");
    QTest::newRow("blanks around a text: two entries, one use each")
        << QStringList{QStringLiteral("A"), QStringLiteral(" A ")} << QStringLiteral("1\nA\n1\nA");
    QTest::newRow("file reference") << QStringList{QStringLiteral("file:///tmp/r.txt")}
                                    << QStringLiteral("1\nfile:///tmp/r.txt");
    QTest::newRow("nothing used, nothing stored") << QStringList{} << QString();
}

void TestMScanSrcDataHistory::storedForm()
{
    QFETCH(QStringList, uses);
    QFETCH(QString, stored);
    {
        MScanSrcDataHistory oHistory;
        oHistory.OnCfg(CCfg());
        for (const QString &sUse : uses)
            oHistory.OnScanSrcDataWasUsed(sUse);
        // Already on disk while the program runs: a kill loses nothing.
        QCOMPARE(CCfg().Value(HistoryKey).toString(), stored);
    }
    QCOMPARE(CCfg().Value(HistoryKey).toString(), stored);
}

void TestMScanSrcDataHistory::loading_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("storedAgain");
    QTest::newRow("2, A, x, B, 1 gives A alone")
        << QStringLiteral("2\nA\nx\nB\n1") << QStringList{QStringLiteral("A")}
        << QStringLiteral("2\nA");
    QTest::newRow("stored order is kept")
        << QStringLiteral("1\nB\n5\nA") << QStringList{QStringLiteral("B"), QStringLiteral("A")}
        << QStringLiteral("1\nB\n5\nA");
    QTest::newRow("blank text skipped")
        << QStringLiteral("3\n   \n1\nB") << QStringList{QStringLiteral("B")}
        << QStringLiteral("1\nB");
    QTest::newRow("negative count skipped")
        << QStringLiteral("-1\nA\n2\nB") << QStringList{QStringLiteral("B")}
        << QStringLiteral("2\nB");
    QTest::newRow("text is trimmed") << QStringLiteral("4\n  A \r")
                                     << QStringList{QStringLiteral("A")} << QStringLiteral("4\nA");
    QTest::newRow("empty value") << QString() << QStringList{} << QString();
    QTest::newRow("count too large for a weight is capped")
        << QStringLiteral("4294967295\nA") << QStringList{QStringLiteral("A")}
        << QStringLiteral("2147483646\nA");
}

void TestMScanSrcDataHistory::loading()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, listed);
    QFETCH(QString, storedAgain);
    CCfg().SetValue(HistoryKey, stored);
    {
        MScanSrcDataHistory oHistory;
        QCOMPARE(Listed(oHistory), QStringList());
        oHistory.OnCfg(CCfg());
        QCOMPARE(Listed(oHistory), listed);
    }
    QCOMPARE(CCfg().Value(HistoryKey).toString(), storedAgain);
}

void TestMScanSrcDataHistory::marksAreGoneAfterRestart()
{
    {
        MScanSrcDataHistory oHistory;
        oHistory.OnCfg(CCfg());
        oHistory.OnScanSrcDataWasUsed(QStringLiteral("A"));
        oHistory.OnScanSrcDataWasUsed(QStringLiteral("B"));
        QCOMPARE(Listed(oHistory), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
    }
    MScanSrcDataHistory oHistory;
    oHistory.OnCfg(CCfg());
    QCOMPARE(Listed(oHistory), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
    // Both now count one use without a mark, so a single use of A puts it ahead again.
    oHistory.OnScanSrcDataWasUsed(QStringLiteral("A"));
    QCOMPARE(Listed(oHistory), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    oHistory.OnScanSrcDataWasUsed(QStringLiteral("C"));
    QCOMPARE(Listed(oHistory),
             (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B")}));
}

void TestMScanSrcDataHistory::laterConfigurationsDoNotReload()
{
    CCfg().SetValue(HistoryKey, QStringLiteral("1\nA"));
    MScanSrcDataHistory oHistory;
    oHistory.OnCfg(CCfg());
    oHistory.OnScanSrcDataWasUsed(QStringLiteral("B"));
    CCfg().SetValue(HistoryKey, QStringLiteral("9\nZ"));
    oHistory.OnCfg(CCfg());
    QCOMPARE(Listed(oHistory), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
}

void TestMScanSrcDataHistory::neverConfiguredKeepsStoredHistory()
{
    CCfg().SetValue(HistoryKey, QStringLiteral("5\nZ"));
    {
        MScanSrcDataHistory oHistory;
        oHistory.OnScanSrcDataWasUsed(QStringLiteral("A"));
    }
    QCOMPARE(CCfg().Value(HistoryKey).toString(), QStringLiteral("5\nZ"));
}

void TestMScanSrcDataHistory::textWithLineBreakIsNotRecorded()
{
    {
        MScanSrcDataHistory oHistory;
        oHistory.OnCfg(CCfg());
        oHistory.OnScanSrcDataWasUsed(QStringLiteral("A"));
        oHistory.OnScanSrcDataWasUsed(QStringLiteral("file:///tmp/odd\nname"));
        QCOMPARE(Listed(oHistory), QStringList{QStringLiteral("A")});
    }
    QCOMPARE(CCfg().Value(HistoryKey).toString(), QStringLiteral("1\nA"));
}

QTEST_GUILESS_MAIN(TestMScanSrcDataHistory)
#include "tst_MScanSrcDataHistory.moc"
