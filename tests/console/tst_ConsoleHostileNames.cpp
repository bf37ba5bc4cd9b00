// SPDX-License-Identifier: GPL-3.0-or-later
// A host that names itself with a second output line and terminal escapes over SNMP, scanned by
// the console program as a user runs it. The whole test runs inside the loopback namespace: the
// hand-made agent answers on 127.0.0.2:161 there, and nothing outside can be reached.
#include "../engine/SnmpTestPeers.h"
#include "CFavoritesContentHandler.h"
#include "CScanItem.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kHostileSysName(
    "evil\r\nalive | injected-host | 6.6.6.6 |  |  | 0.0.0.0.0.0 | \x1b[2J\x1b]0;owned\x07\x01");
// What every output must show instead: one name, on the host's own line.
const QString kCleanName(
    QStringLiteral("evil  alive | injected-host | 6.6.6.6 |  |  | 0.0.0.0.0.0 |  [2J ]0;owned"));

// Whether i_baOut holds a control character other than the format's own line ends and
// indentation, i_baOwn.
bool HasControlBytes(const QByteArray &i_baOut, const QByteArray &i_baOwn)
{
    for (const char c : i_baOut) {
        if ((static_cast<unsigned char>(c) < 0x20 || c == '\x7f') && !i_baOwn.contains(c))
            return true;
    }
    return false;
}

} // namespace

class TestConsoleHostileNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void nameCannotAddALine_data();
    void nameCannotAddALine();

private:
    std::unique_ptr<CFakeSnmpAgent> m_pAgent;
    QTemporaryDir m_oHome;
};

void TestConsoleHostileNames::initTestCase()
{
    if (!InPrivateNetworkNamespace())
        QSKIP("needs its own network namespace: run through tests/loopns/loopns.sh exec");
    QVERIFY(m_oHome.isValid());
    m_pAgent = std::make_unique<CFakeSnmpAgent>();
    QString sError;
    QVERIFY2(m_pAgent->Listen(sError), qPrintable(sError));
    m_pAgent->SetReply(CFakeSnmpAgent::EReply::String, kHostileSysName);
}

void TestConsoleHostileNames::cleanupTestCase()
{
    m_pAgent.reset();
}

void TestConsoleHostileNames::nameCannotAddALine_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<QByteArray>("ownControls");
    QTest::newRow("text on standard output")
        << QStringLiteral("text") << false << QByteArray("\r\n");
    QTest::newRow("text file") << QStringLiteral("text") << true << QByteArray("\r\n");
    QTest::newRow("JSON lines") << QStringLiteral("jsonl") << false << QByteArray("\n");
    QTest::newRow("XML file read back") << QStringLiteral("xml") << true << QByteArray("\r\n\t");
}

void TestConsoleHostileNames::nameCannotAddALine()
{
    QFETCH(QString, format);
    QFETCH(bool, toFile);
    QFETCH(QByteArray, ownControls);

    const QString sFile = m_oHome.filePath(QStringLiteral("out.") + format);
    QFile::remove(sFile);
    QStringList lsArgs{
        QStringLiteral("/r:127.0.0.2"), QStringLiteral("/p:none"), QStringLiteral("/o:") + format};
    if (toFile)
        lsArgs << QStringLiteral("/f:") + sFile;
    QProcess oProcess;
    QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
    oEnvironment.insert(QStringLiteral("HOME"), m_oHome.path());
    oEnvironment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    oProcess.setProcessEnvironment(oEnvironment);
    oProcess.setWorkingDirectory(m_oHome.path());
    oProcess.start(QStringLiteral(VISTREL_CONSOLE_BIN), lsArgs);
    // The agent answers on a thread of its own, so a blocking wait is fine here.
    QVERIFY2(oProcess.waitForFinished(60000), "the console program did not finish");
    QCOMPARE(oProcess.exitStatus(), QProcess::NormalExit);
    QCOMPARE(oProcess.exitCode(), 0);
    QByteArray baOut = oProcess.readAllStandardOutput();
    if (toFile) {
        QFile oFile(sFile);
        QVERIFY(oFile.open(QIODevice::ReadOnly));
        baOut = oFile.readAll();
    }
    QVERIFY2(m_pAgent->RequestCount() > 0, "the agent was never asked");
    QVERIFY2(!HasControlBytes(baOut, ownControls), baOut.toHex(' ').constData());

    if (format == QLatin1String("text")) {
        const QList<QByteArray> lbaLines = baOut.split('\n');
        QCOMPARE(lbaLines.size(), 2); // the header and the host's line, no break after it
        QCOMPARE(QString::fromUtf8(lbaLines.at(1)),
                 QStringLiteral("alive | %1 | 127.0.0.2 |  |  | 0.0.0.0.0.0 | ").arg(kCleanName));
    } else if (format == QLatin1String("jsonl")) {
        QList<QByteArray> lbaLines = baOut.split('\n');
        QCOMPARE(lbaLines.size(), 2); // one object, then the final line feed
        QJsonParseError oError;
        const QJsonObject oHost = QJsonDocument::fromJson(lbaLines.at(0), &oError).object();
        QCOMPARE(oError.error, QJsonParseError::NoError);
        QCOMPARE(oHost.value(QLatin1String("name")).toString(), kCleanName);
    } else {
        QList<CScanItem> lItems;
        QVERIFY(CFavoritesContentHandler::ReadItems(baOut, &lItems));
        QCOMPARE(lItems.size(), 1);
        QCOMPARE(lItems.at(0).result().name(), kCleanName);
    }
}

QTEST_GUILESS_MAIN(TestConsoleHostileNames)
#include "tst_ConsoleHostileNames.moc"
