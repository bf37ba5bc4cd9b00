// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanFragment.h"
#include "TestItems.h"
#include "VResultsBackend.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace TestItems;

Q_DECLARE_METATYPE(const QAbstractItemModel *)

namespace {

// The merge, sort and filter rules written the plain way (linear search, full stable sort of the
// whole list on every new shown item, full filter pass): the model must keep exactly this order.
class CReferenceModel
{
public:
    int nColumn = 2;
    bool fAscending = true;
    QList<CScanItem> lItems;

    static int Rank(EHostStatus e)
    {
        return e == EHostStatus::Unknown ? 1
               : e == EHostStatus::Dead  ? 2
               : e == EHostStatus::Alive ? 3
                                         : 0;
    }

    bool Less(const CScanItem &a, const CScanItem &b) const
    {
        const CScanItem &x = fAscending ? a : b;
        const CScanItem &y = fAscending ? b : a;
        const CScanResult &rx = x.result();
        const CScanResult &ry = y.result();
        switch (nColumn) {
        case 0:
            return Rank(rx.status()) < Rank(ry.status());
        case 1:
            return rx.name().toUpper() < ry.name().toUpper();
        case 2:
            return rx.ip() < ry.ip();
        case 3:
            return rx.netbiosname().toUpper() < ry.netbiosname().toUpper();
        case 4:
            return rx.netbiosgroup().toUpper() < ry.netbiosgroup().toUpper();
        case 5:
            return rx.mac().toHex() < ry.mac().toHex(); // same order as the 48-bit number
        case 6:
            return rx.user().toUpper() < ry.user().toUpper();
        case 7:
            return x.comments().toUpper() < y.comments().toUpper();
        default:
            return false;
        }
    }

    void Sort()
    {
        std::stable_sort(lItems.begin(),
                         lItems.end(),
                         [this](const CScanItem &a, const CScanItem &b) { return Less(a, b); });
    }

    void Merge(const CScanResult &r, bool fShowUnknown)
    {
        const bool fNotify = fShowUnknown || r.status() != EHostStatus::Unknown;
        for (CScanItem &rItem : lItems) {
            if (rItem.result().ip() == r.ip()) {
                rItem = CScanItem(r);
                return;
            }
        }
        lItems.append(CScanItem(r));
        if (fNotify)
            Sort();
    }

    QStringList Shown(const CCfg &oCfg) const
    {
        QStringList ls;
        for (const CScanItem &o : lItems) {
            const EHostStatus e = o.result().status();
            if ((e == EHostStatus::Alive && oCfg.show_alive())
                || (e == EHostStatus::Dead && oCfg.show_dead())
                || (e == EHostStatus::Unknown && oCfg.show_unknown()))
                ls << o.result().IpText();
        }
        return ls;
    }
};

QStringList ShownIps(const VResultsBackend &i_oModel)
{
    QStringList ls;
    for (int i = 0; i < i_oModel.rowCount(); ++i)
        ls << i_oModel.index(i, 2).data().toString();
    return ls;
}

// Rows whose child rows differ from what their host lists, as "row: shown/listed".
QStringList ChildCountMismatches(const VResultsBackend &i_oModel)
{
    QStringList ls;
    for (int nRow = 0; nRow < i_oModel.rowCount(); ++nRow) {
        const int nShown = i_oModel.rowCount(i_oModel.index(nRow, 0));
        const int nListed = i_oModel.RetrieveRowsData({nRow}).value(0).result().ResourceCount();
        if (nShown != nListed)
            ls << QStringLiteral("%1: %2/%3").arg(nRow).arg(nShown).arg(nListed);
    }
    return ls;
}

QStringList StoredIps(const QList<CScanItem> &i_lItems)
{
    QStringList ls;
    for (const CScanItem &o : i_lItems)
        ls << o.result().IpText();
    return ls;
}

CScanResult RandomResult(QRandomGenerator &io_rRandom, int i_nAddresses)
{
    // Besides short ASCII ties: texts that agree beyond their first eight letters, and letters
    // beyond ASCII whose upper case is ASCII or longer ("ß" is "SS", dotless "ı" is "I").
    static const char *const s_aNames[] = {
        "alpha",  "Beta",    "gamma",          "ALPHA",         "",
        "delta",  "beta",    "workstation-10", "WORKSTATION-9", "workstation-1",
        "Straße", "STRASSE", "strasse-b",      "straß",         "ärger",
        "Ärger",  "офис-пк", "ОФИС",           "\u0131d",       "id",
        "Zeta"};
    const auto fnName = [&io_rRandom] {
        return QString::fromUtf8(s_aNames[io_rRandom.bounded(int(std::size(s_aNames)))]);
    };
    CScanResult oResult = Result(Ip(10, 0, 0, 0) + quint32(io_rRandom.bounded(i_nAddresses)),
                                 EHostStatus(2 + io_rRandom.bounded(3)),
                                 fnName());
    oResult.set_netbiosname(fnName());
    oResult.set_netbiosgroup(fnName());
    oResult.set_user(fnName());
    oResult.set_mac(QByteArray(5, '\0') + char(io_rRandom.bounded(4)));
    oResult.set_has_http(io_rRandom.bounded(2));
    oResult.set_has_ftp(io_rRandom.bounded(2));
    if (io_rRandom.bounded(3) == 0)
        oResult.set_shares({QStringLiteral("C$"), QStringLiteral("D")});
    if (io_rRandom.bounded(4) == 0)
        oResult.set_ortavo_ports({4899});
    return oResult;
}

} // namespace

class TestVResultsBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newModel();
    void headers();
    void resultForKnownAddressUpdatesInPlace();
    void unknownIsStoredButNotShownByDefault();
    void favoritesModelDropsNewAddresses();
    void childrenInOrder();
    void httpChildShowsTitle();
    void webServersOnOtherPortsAreRowsOfTheirOwn();
    void statusTipSaysWhyAlive_data();
    void statusTipSaysWhyAlive();
    void dataRoles();
    void macColumnLeavesAMissingMacEmpty_data();
    void macColumnLeavesAMissingMacEmpty();
    void ortavoRowIsTranslated_data();
    void ortavoRowIsTranslated();
    void flagsOfRows();
    void sortIpAscending();
    void sortIsStableForEveryColumn_data();
    void sortIsStableForEveryColumn();
    void sortOutsideColumnsOnlyRebuilds();
    void filterFollowsSharedConfiguration();
    void addNewItem();
    void fromList();
    void deleteSelectedRows();
    void retrieveRowsData();
    void selectedRowData();
    void editItem();
    void clearData();
    void statusText();
    void hiddenLateArrivalsAreSortedInWithoutRelayout();
    void streamingMatchesReference_data();
    void streamingMatchesReference();
    void persistentIndexesFollowTheirHost();
    void writerSkipsHiddenHosts();
    void writerSelection();
    void writerKeepsHiddenWhenAsked();
    void mimePayload();

private:
    CCfg m_oCfg;
    std::unique_ptr<VResultsBackend> m_pModel;
    std::unique_ptr<QAbstractItemModelTester> m_pTester;
};

void TestVResultsBackend::initTestCase()
{
    // The windowed program's images stand in as names: which image a row shows is what counts.
    VResultsBackend::SetImageSource(
        [](int i_nNumber) { return QVariant(QStringLiteral("image %1").arg(i_nNumber)); });
    qRegisterMetaType<const QAbstractItemModel *>();
    qRegisterMetaType<Qt::SortOrder>();
    qRegisterMetaType<QList<QPersistentModelIndex>>();
    qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
}

void TestVResultsBackend::init()
{
    m_oCfg = CCfg();
    m_oCfg.set_show_alive(true);
    m_oCfg.set_show_dead(true);
    m_oCfg.set_show_unknown(false);
    m_pModel =
        std::make_unique<VResultsBackend>(nullptr, VResultsBackend::kFavoritesColumnCount, false);
    m_pModel->SetCfg(m_oCfg);
    m_pTester = std::make_unique<QAbstractItemModelTester>(
        m_pModel.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestVResultsBackend::cleanup()
{
    m_pTester.reset();
    m_pModel.reset();
}

void TestVResultsBackend::newModel()
{
    VResultsBackend oModel(nullptr, VResultsBackend::kScanColumnCount, false);
    QAbstractItemModelTester oTester(&oModel,
                                     QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(oModel.rowCount(), 0);
    QCOMPARE(oModel.columnCount(), 7);
    QSignalSpy oSorted(&oModel, &VResultsBackend::SortedByColumn);
    oModel.ProvideAllData();
    QCOMPARE(oSorted.count(), 1);
    QCOMPARE(oSorted.at(0).at(0).toInt(), 2);
    QCOMPARE(oSorted.at(0).at(1).value<Qt::SortOrder>(), Qt::AscendingOrder);
    QVERIFY(ModelXml(oModel).isEmpty());
}

void TestVResultsBackend::headers()
{
    const QStringList lsTitles{QStringLiteral("Status"),
                               QStringLiteral("Name"),
                               QStringLiteral("IP"),
                               QStringLiteral("NetBIOS name"),
                               QStringLiteral("NetBIOS group"),
                               QStringLiteral("MAC address"),
                               QStringLiteral("User"),
                               QStringLiteral("Comments")};
    for (int i = 0; i < lsTitles.size(); ++i) {
        QCOMPARE(m_pModel->headerData(i, Qt::Horizontal).toString(), lsTitles.at(i));
        QCOMPARE(m_pModel->headerData(i, Qt::Vertical).toString(), lsTitles.at(i));
        QVERIFY(!m_pModel->headerData(i, Qt::Horizontal, Qt::DecorationRole).isValid());
    }
    QVERIFY(!m_pModel->headerData(8, Qt::Horizontal).isValid());
    QVERIFY(!m_pModel->headerData(-1, Qt::Horizontal).isValid());
}

void TestVResultsBackend::resultForKnownAddressUpdatesInPlace()
{
    m_pModel->sort(1, Qt::AscendingOrder);
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("a")));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 2), EHostStatus::Alive, QStringLiteral("b")));
    QList<CScanItem> lAdd{CScanItem(Result(Ip(10, 0, 0, 3), EHostStatus::Dead, QStringLiteral("c")),
                                    QStringLiteral("kept?"))};
    m_pModel->FromList(lAdd);
    QCOMPARE(m_pModel->ItemAt(2)->comments(), QStringLiteral("kept?"));
    QSignalSpy oSave(m_pModel.get(), &VResultsBackend::SaveSelection);
    QSignalSpy oRestore(m_pModel.get(), &VResultsBackend::RestoreSelection);
    // "z" would sort last, but a known address keeps its row.
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Dead, QStringLiteral("z")));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 3), EHostStatus::Alive, QStringLiteral("c")));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.1"),
                          QStringLiteral("10.0.0.2"),
                          QStringLiteral("10.0.0.3")}));
    QCOMPARE(m_pModel->index(0, 1).data().toString(), QStringLiteral("z"));
    // A rescan updates the host's findings and keeps the user's comment.
    QCOMPARE(m_pModel->ItemAt(2)->comments(), QStringLiteral("kept?"));
    QCOMPARE(m_pModel->ItemCount(), 3);
    QCOMPARE(oSave.count(), 2);
    QCOMPARE(oRestore.count(), 2);
}

void TestVResultsBackend::unknownIsStoredButNotShownByDefault()
{
    QSignalSpy oSave(m_pModel.get(), &VResultsBackend::SaveSelection);
    QSignalSpy oRestore(m_pModel.get(), &VResultsBackend::RestoreSelection);
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 9), EHostStatus::Unknown));
    QCOMPARE(m_pModel->ItemCount(), 1);
    QCOMPARE(m_pModel->rowCount(), 0);
    QCOMPARE(oSave.count(), 0);
    QCOMPARE(oRestore.count(), 0);
}

void TestVResultsBackend::favoritesModelDropsNewAddresses()
{
    VResultsBackend oModel(nullptr, VResultsBackend::kFavoritesColumnCount, true);
    QAbstractItemModelTester oTester(&oModel,
                                     QAbstractItemModelTester::FailureReportingMode::QtTest);
    oModel.OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive));
    QCOMPARE(oModel.ItemCount(), 0);
    QList<CScanItem> lItems{
        CScanItem(Result(Ip(10, 0, 0, 1), EHostStatus::Dead), QStringLiteral("mine"))};
    oModel.FromList(lItems);
    oModel.OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("up")));
    QCOMPARE(oModel.ItemCount(), 1);
    QCOMPARE(oModel.index(0, 1).data().toString(), QStringLiteral("up"));
}

void TestVResultsBackend::childrenInOrder()
{
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    oResult.set_has_http(true);
    oResult.set_has_ftp(true);
    oResult.set_ortavo_ports({4899, 4900});
    oResult.set_shares({QStringLiteral("Public")});
    m_pModel->OnDataReady(oResult);
    const QModelIndex oHost = m_pModel->index(0, 0);
    QCOMPARE(m_pModel->rowCount(oHost), 5);
    QVERIFY(m_pModel->hasChildren(oHost));
    QVERIFY(!m_pModel->hasChildren(m_pModel->index(0, 1))); // only column 0 has children
    const QStringList lsTexts{QStringLiteral("HTTP"),
                              QStringLiteral("FTP"),
                              QStringLiteral("Ortavo: 4899"),
                              QStringLiteral("Ortavo: 4900"),
                              QStringLiteral("Public")};
    const QList<int> lnKinds{
        FragmentHttp, FragmentFtp, FragmentOrtavo, FragmentOrtavo, FragmentShare};
    for (int i = 0; i < 5; ++i) {
        const QModelIndex oChild = m_pModel->index(i, 1, oHost);
        QCOMPARE(oChild.data().toString(), lsTexts.at(i));
        QCOMPARE(m_pModel->parent(oChild), oHost);
        QVERIFY(!m_pModel->index(i, 2, oHost).data().isValid());
        const CScanFragment oFragment =
            m_pModel->index(i, 0, oHost).data(Qt::UserRole).value<CScanFragment>();
        QCOMPARE(oFragment.kind(), lnKinds.at(i));
        QCOMPARE(oFragment.item().result().ip(), Ip(10, 0, 0, 1));
        QCOMPARE(m_pModel->rowCount(oChild), 0);
    }
    QCOMPARE(m_pModel->index(3, 0, oHost).data(Qt::UserRole).value<CScanFragment>().port(), 4900);
    QCOMPARE(m_pModel->index(4, 0, oHost).data(Qt::UserRole).value<CScanFragment>().text(),
             QStringLiteral("Public"));
    QVERIFY(!m_pModel->index(5, 0, oHost).isValid());
}

void TestVResultsBackend::httpChildShowsTitle()
{
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    oResult.set_has_http(true);
    oResult.set_has_https(true);
    m_pModel->OnDataReady(oResult);
    QCOMPARE(m_pModel->index(0, 1, m_pModel->index(0, 0)).data().toString(),
             QStringLiteral("HTTP"));
    QCOMPARE(m_pModel->index(1, 1, m_pModel->index(0, 0)).data().toString(),
             QStringLiteral("HTTPS"));
    oResult.set_http_title(QStringLiteral("Router login"));
    m_pModel->OnDataReady(oResult);
    QCOMPARE(m_pModel->index(0, 1, m_pModel->index(0, 0)).data().toString(),
             QStringLiteral("Router login"));
}

void TestVResultsBackend::webServersOnOtherPortsAreRowsOfTheirOwn()
{
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    oResult.set_has_http(true);
    oResult.set_has_ftp(true);
    oResult.set_web_servers({{8080, false, QStringLiteral("Printer")}, {8443, true, QString()}});
    m_pModel->OnDataReady(oResult);
    const QModelIndex oHost = m_pModel->index(0, 0);
    QCOMPARE(m_pModel->rowCount(oHost), 4);
    const QStringList lsTexts{QStringLiteral("HTTP"),
                              QStringLiteral("Printer (port 8080)"),
                              QStringLiteral("HTTPS, port 8443"),
                              QStringLiteral("FTP")};
    const QList<int> lnKinds{FragmentHttp, FragmentHttp, FragmentHttps, FragmentFtp};
    const QList<int> lnPorts{0, 8080, 8443, 0};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m_pModel->index(i, 1, oHost).data().toString(), lsTexts.at(i));
        const CScanFragment oFragment =
            m_pModel->index(i, 0, oHost).data(Qt::UserRole).value<CScanFragment>();
        QCOMPARE(oFragment.kind(), lnKinds.at(i));
        QCOMPARE(oFragment.port(), lnPorts.at(i));
    }
    QCOMPARE(m_pModel->index(1, 1, oHost).data(Qt::DecorationRole),
             QVariant(QStringLiteral("image 4")));
    QCOMPARE(m_pModel->index(2, 1, oHost).data(Qt::DecorationRole),
             QVariant(QStringLiteral("image 5")));
}

void TestVResultsBackend::statusTipSaysWhyAlive_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("by");
    QTest::addColumn<QString>("tip");
    QTest::newRow("ARP") << int(EHostStatus::Alive) << int(EAliveBy::Arp)
                         << QStringLiteral("Alive: answered ARP");
    QTest::newRow("echo") << int(EHostStatus::Alive) << int(EAliveBy::Echo)
                          << QStringLiteral("Alive: answered ICMP echo (ping)");
    QTest::newRow("own address") << int(EHostStatus::Alive) << int(EAliveBy::OwnAddress)
                                 << QStringLiteral("Alive: an address of this computer");
    QTest::newRow("alive, from a file that does not say")
        << int(EHostStatus::Alive) << int(EAliveBy::None) << QString();
    QTest::newRow("dead") << int(EHostStatus::Dead) << int(EAliveBy::Arp) << QString();
}

void TestVResultsBackend::statusTipSaysWhyAlive()
{
    QFETCH(int, status);
    QFETCH(int, by);
    QFETCH(QString, tip);
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus(status));
    oResult.set_alive_by(EAliveBy(by));
    m_pModel->OnDataReady(oResult);
    const QVariant vTip = m_pModel->index(0, 0).data(Qt::ToolTipRole);
    QCOMPARE(vTip.isValid(), !tip.isNull());
    QCOMPARE(vTip.toString(), tip);
}

void TestVResultsBackend::dataRoles()
{
    CScanResult oResult = Result(Ip(192, 168, 0, 10), EHostStatus::Dead, QStringLiteral("pc"));
    oResult.set_netbiosname(QStringLiteral("PC"));
    oResult.set_netbiosgroup(QStringLiteral("WG"));
    oResult.set_mac(QByteArray::fromHex("0011223344ff"));
    oResult.set_user(QStringLiteral("ann"));
    m_pModel->OnDataReady(oResult);
    const QStringList lsExpected{QString(),
                                 QStringLiteral("pc"),
                                 QStringLiteral("192.168.0.10"),
                                 QStringLiteral("PC"),
                                 QStringLiteral("WG"),
                                 QStringLiteral("00:11:22:33:44:FF"),
                                 QStringLiteral("ann"),
                                 QString()};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(m_pModel->index(0, i).data().toString(), lsExpected.at(i));
    QCOMPARE(m_pModel->index(0, 0).data(Qt::DecorationRole), QVariant(QStringLiteral("image 1")));
    QVERIFY(!m_pModel->index(0, 1).data(Qt::DecorationRole).isValid());
    QCOMPARE(m_pModel->index(0, 0).data(Qt::UserRole).value<CScanFragment>().kind(),
             int(FragmentHost));
    QVERIFY(!m_pModel->index(0, 1).data(Qt::UserRole).isValid());
    QVERIFY(!m_pModel->index(0, 1).data(Qt::ToolTipRole).isValid());
    oResult.set_mac(QByteArray(6, '\xFF'));
    m_pModel->OnDataReady(oResult);
    QCOMPARE(m_pModel->index(0, 5).data().toString(), QString());
    QVERIFY(!VResultsBackend::Image(8).isValid());
    QVERIFY(!VResultsBackend::Image(-1).isValid());
    QCOMPARE(VResultsBackend::Image(7), QVariant(QStringLiteral("image 7")));
}

void TestVResultsBackend::macColumnLeavesAMissingMacEmpty_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zeros: no answer carried one") << QByteArray(6, '\0') << QString();
    QTest::newRow("never set") << QByteArray() << QString();
    QTest::newRow("all FF") << QByteArray(6, '\xFF') << QString();
    QTest::newRow("a real address ending in zeros")
        << QByteArray::fromHex("3c22fb000000") << QStringLiteral("3C:22:FB:00:00:00");
}

void TestVResultsBackend::macColumnLeavesAMissingMacEmpty()
{
    QFETCH(QByteArray, mac);
    QFETCH(QString, shown);
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    if (!mac.isNull())
        oResult.set_mac(mac);
    m_pModel->OnDataReady(oResult);
    QCOMPARE(m_pModel->index(0, 5).data(Qt::DisplayRole).toString(), shown);
    QCOMPARE(m_pModel->SelectedRowData(0).value(5), shown);
}

void TestVResultsBackend::ortavoRowIsTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("German") << QStringLiteral("de") << QStringLiteral("Ortavo, Port 4899");
    QTest::newRow("Russian") << QStringLiteral("ru") << QStringLiteral("Ortavo, порт 4899");
}

void TestVResultsBackend::ortavoRowIsTranslated()
{
#ifndef VISTREL_QM_DIR
    QSKIP("the translations are built with the windowed program");
#else
    QFETCH(QString, language);
    QFETCH(QString, text);
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    oResult.set_ortavo_ports({4899});
    m_pModel->OnDataReady(oResult);
    const QModelIndex oPort = m_pModel->index(0, 1, m_pModel->index(0, 0));
    QCOMPARE(oPort.data().toString(), QStringLiteral("Ortavo: 4899"));
    QTranslator oTranslator;
    QVERIFY(
        oTranslator.load(QStringLiteral("vistrel_") + language, QStringLiteral(VISTREL_QM_DIR)));
    QCoreApplication::installTranslator(&oTranslator);
    const QString sTranslated = oPort.data().toString();
    const QString sStatus = VResultsBackend::StatusText(EHostStatus::Alive);
    QCoreApplication::removeTranslator(&oTranslator);
    QVERIFY(sStatus != QLatin1String("Ok")); // the file holds the model's texts at all
    QCOMPARE(sTranslated, text);
    QCOMPARE(oPort.data().toString(), QStringLiteral("Ortavo: 4899"));
#endif
}

void TestVResultsBackend::flagsOfRows()
{
    CScanResult oResult = Result(Ip(10, 0, 0, 1), EHostStatus::Alive);
    oResult.set_has_ftp(true);
    m_pModel->OnDataReady(oResult);
    QCOMPARE(int(m_pModel->flags(m_pModel->index(0, 3))), 37);
    QCOMPARE(int(m_pModel->flags(m_pModel->index(0, 1, m_pModel->index(0, 0)))), 32);
}

void TestVResultsBackend::sortIpAscending()
{
    m_pModel->OnDataReady(Result(Ip(192, 168, 0, 1), EHostStatus::Alive));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("192.168.0.1")}));
    m_pModel->sort(2, Qt::DescendingOrder);
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("192.168.0.1"), QStringLiteral("10.0.0.1")}));
}

void TestVResultsBackend::sortIsStableForEveryColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ascending");
    for (int nColumn = 0; nColumn < 8; ++nColumn) {
        QTest::addRow("column %d ascending", nColumn) << nColumn << true;
        QTest::addRow("column %d descending", nColumn) << nColumn << false;
    }
}

void TestVResultsBackend::sortIsStableForEveryColumn()
{
    QFETCH(int, column);
    QFETCH(bool, ascending);
    m_oCfg.set_show_unknown(true);
    QRandomGenerator oRandom(quint32(column * 2 + ascending));
    QList<CScanItem> lItems;
    for (int i = 0; i < 200; ++i)
        lItems << CScanItem(RandomResult(oRandom, 100000),
                            QStringLiteral("c%1").arg(oRandom.bounded(3)));
    CReferenceModel oReference;
    m_pModel->FromList(lItems);
    // FromList keeps the first item of an address; so does the reference.
    QSet<quint32> oSeen;
    for (const CScanItem &o : lItems) {
        if (!oSeen.contains(o.result().ip()))
            oReference.lItems << o;
        oSeen.insert(o.result().ip());
    }
    oReference.Sort();
    oReference.nColumn = column;
    oReference.fAscending = ascending;
    oReference.Sort();
    m_pModel->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    QCOMPARE(StoredIps(m_pModel->Items()), StoredIps(oReference.lItems));
    QCOMPARE(ShownIps(*m_pModel), oReference.Shown(m_oCfg));
    QSignalSpy oSorted(m_pModel.get(), &VResultsBackend::SortedByColumn);
    m_pModel->ProvideAllData();
    QCOMPARE(oSorted.at(0).at(0).toInt(), column);
    QCOMPARE(oSorted.at(0).at(1).value<Qt::SortOrder>(),
             ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TestVResultsBackend::sortOutsideColumnsOnlyRebuilds()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 2), EHostStatus::Alive));
    m_pModel->sort(9, Qt::AscendingOrder);
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.1")}));
}

void TestVResultsBackend::filterFollowsSharedConfiguration()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 2), EHostStatus::Dead));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 3), EHostStatus::Unknown));
    QCOMPARE(m_pModel->rowCount(), 2);
    QSignalSpy oLayout(m_pModel.get(), &QAbstractItemModel::layoutChanged);
    CCfg oShared = m_oCfg; // the main window's handle on the same record
    oShared.set_show_unknown(true);
    oShared.set_show_alive(false);
    QCOMPARE(m_pModel->rowCount(), 2); // takes effect at the next Update()
    m_pModel->Update();
    QCOMPARE(oLayout.count(), 1);
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.3")}));
    // A merge after a flag change applies the new flags to every row, as a rebuild does.
    oShared.set_show_dead(false);
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 4), EHostStatus::Unknown));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.4")}));
}

void TestVResultsBackend::addNewItem()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 5), EHostStatus::Alive));
    QSignalSpy oSelect(m_pModel.get(), &VResultsBackend::SelectRow);
    QSignalSpy oClear(m_pModel.get(), &VResultsBackend::ClearSelection);
    QVERIFY(!m_pModel->AddNewItem(CScanItem(Result(Ip(10, 0, 0, 5), EHostStatus::Unknown))));
    QCOMPARE(m_pModel->ItemAt(0)->result().status(), EHostStatus::Alive);
    QCOMPARE(oSelect.count(), 0);
    QVERIFY(m_pModel->AddNewItem(
        CScanItem(Result(Ip(10, 0, 0, 1), EHostStatus::Unknown), QStringLiteral("by hand"))));
    QCOMPARE(m_pModel->rowCount(), 2);
    QCOMPARE(m_pModel->ItemAt(0)->result().status(), EHostStatus::Dead);
    QCOMPARE(m_pModel->ItemAt(0)->comments(), QStringLiteral("by hand"));
    QCOMPARE(oClear.count(), 1);
    QCOMPARE(oSelect.count(), 1);
    QCOMPARE(oSelect.at(0).at(1).toInt(), 0);
}

void TestVResultsBackend::fromList()
{
    QList<CScanItem> lFirst{
        CScanItem(Result(Ip(10, 0, 0, 2), EHostStatus::Alive), QStringLiteral("old"))};
    m_pModel->FromList(lFirst);
    QSignalSpy oClear(m_pModel.get(), &VResultsBackend::ClearSelection);
    QList<CScanItem> lItems{
        CScanItem(Result(Ip(10, 0, 0, 3), EHostStatus::Dead), QStringLiteral("first")),
        CScanItem(Result(Ip(10, 0, 0, 3), EHostStatus::Dead), QStringLiteral("second")),
        CScanItem(Result(Ip(10, 0, 0, 2), EHostStatus::Dead), QStringLiteral("new"))};
    m_pModel->FromList(lItems);
    QCOMPARE(oClear.count(), 1);
    QCOMPARE(m_pModel->ItemCount(), 2);
    QCOMPARE(m_pModel->ItemAt(0)->comments(), QStringLiteral("new"));
    QCOMPARE(m_pModel->ItemAt(1)->comments(), QStringLiteral("first"));
}

void TestVResultsBackend::deleteSelectedRows()
{
    for (int i = 1; i <= 4; ++i)
        m_pModel->OnDataReady(Result(Ip(10, 0, 0, i), EHostStatus::Alive));
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 9), EHostStatus::Unknown)); // hidden at storage 4
    QSignalSpy oClear(m_pModel.get(), &VResultsBackend::ClearSelection);
    m_pModel->DeleteSelectedRows({3, 1, 17, 1, -1});
    QCOMPARE(oClear.count(), 1);
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.3")}));
    QCOMPARE(m_pModel->ItemCount(), 3);
    m_pModel->DeleteSelectedRows({});
    QCOMPARE(oClear.count(), 2);
    QCOMPARE(m_pModel->ItemCount(), 3);
}

void TestVResultsBackend::retrieveRowsData()
{
    QList<CScanItem> lItems{
        CScanItem(Result(Ip(10, 0, 0, 1), EHostStatus::Alive), QStringLiteral("one")),
        CScanItem(Result(Ip(10, 0, 0, 2), EHostStatus::Unknown), QStringLiteral("two")),
        CScanItem(Result(Ip(10, 0, 0, 3), EHostStatus::Dead), QStringLiteral("three"))};
    m_pModel->FromList(lItems);
    // Row 1 is 10.0.0.3 (the unknown host is hidden); rows not shown are left out.
    const QList<CScanItem> lResult = m_pModel->RetrieveRowsData({1, 5, -1, 0});
    QCOMPARE(StoredIps(lResult),
             (QStringList{QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.1")}));
    QCOMPARE(lResult.at(0).comments(), QStringLiteral("three"));
    QCOMPARE(lResult.at(1).comments(), QStringLiteral("one"));
    QVERIFY(m_pModel->RetrieveRowsData({}).isEmpty());
}

void TestVResultsBackend::selectedRowData()
{
    QList<CScanItem> lItems{CScanItem(
        Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("n")), QStringLiteral("c"))};
    m_pModel->FromList(lItems);
    const QStringList lsValues = m_pModel->SelectedRowData(0);
    QCOMPARE(lsValues.size(), 8);
    QCOMPARE(lsValues.at(1), QStringLiteral("n"));
    QCOMPARE(lsValues.at(2), QStringLiteral("10.0.0.1"));
    QCOMPARE(lsValues.at(7), QStringLiteral("c"));
    QVERIFY(m_pModel->SelectedRowData(1).isEmpty());
}

void TestVResultsBackend::editItem()
{
    QList<CScanItem> lItems{
        CScanItem(Result(Ip(10, 0, 0, 1), EHostStatus::Alive, QStringLiteral("n")))};
    m_pModel->FromList(lItems);
    CScanResult oEdit = Result(Ip(10, 0, 0, 1), EHostStatus::Dead, QStringLiteral("ignored"));
    oEdit.set_mac(QByteArray::fromHex("020000000001"));
    CScanItem oItem(oEdit, QStringLiteral("printer"));
    m_pModel->EditItem(oItem);
    QCOMPARE(m_pModel->index(0, 5).data().toString(), QStringLiteral("02:00:00:00:00:01"));
    QCOMPARE(m_pModel->index(0, 7).data().toString(), QStringLiteral("printer"));
    QCOMPARE(m_pModel->index(0, 1).data().toString(), QStringLiteral("n"));
    QCOMPARE(m_pModel->ItemAt(0)->result().status(), EHostStatus::Alive);
}

void TestVResultsBackend::clearData()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Alive));
    QSignalSpy oClear(m_pModel.get(), &VResultsBackend::ClearSelection);
    m_pModel->OnClearData();
    QCOMPARE(oClear.count(), 1);
    QCOMPARE(m_pModel->rowCount(), 0);
    QCOMPARE(m_pModel->ItemCount(), 0);
    QVERIFY(!m_pModel->ItemAt(0).has_value());
}

void TestVResultsBackend::statusText()
{
    QCOMPARE(VResultsBackend::StatusText(EHostStatus::Alive), QStringLiteral("Alive"));
    QCOMPARE(VResultsBackend::StatusText(EHostStatus::Dead), QStringLiteral("Dead"));
    QCOMPARE(VResultsBackend::StatusText(EHostStatus::Unknown), QStringLiteral("Unknown"));
}

void TestVResultsBackend::hiddenLateArrivalsAreSortedInWithoutRelayout()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 5), EHostStatus::Alive));
    for (const int nLast : {9, 3, 7})
        m_pModel->OnDataReady(Result(Ip(10, 0, 0, nLast), EHostStatus::Unknown));
    // Stored in arrival order until the next shown host makes the list sort itself again.
    QCOMPARE(StoredIps(m_pModel->Items()),
             (QStringList{QStringLiteral("10.0.0.5"),
                          QStringLiteral("10.0.0.9"),
                          QStringLiteral("10.0.0.3"),
                          QStringLiteral("10.0.0.7")}));
    QSignalSpy oLayout(m_pModel.get(), &QAbstractItemModel::layoutChanged);
    QSignalSpy oInserted(m_pModel.get(), &QAbstractItemModel::rowsInserted);
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 4), EHostStatus::Alive));
    QCOMPARE(StoredIps(m_pModel->Items()),
             (QStringList{QStringLiteral("10.0.0.3"),
                          QStringLiteral("10.0.0.4"),
                          QStringLiteral("10.0.0.5"),
                          QStringLiteral("10.0.0.7"),
                          QStringLiteral("10.0.0.9")}));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.4"), QStringLiteral("10.0.0.5")}));
    QCOMPARE(oLayout.count(), 0);
    QCOMPARE(oInserted.count(), 1);
    QCOMPARE(oInserted.at(0).at(1).toInt(), 0);
    // The index by address follows the moved items.
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 7), EHostStatus::Dead));
    QCOMPARE(ShownIps(*m_pModel),
             (QStringList{QStringLiteral("10.0.0.4"),
                          QStringLiteral("10.0.0.5"),
                          QStringLiteral("10.0.0.7")}));
    QCOMPARE(m_pModel->ItemCount(), 5);
}

void TestVResultsBackend::streamingMatchesReference_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<bool>("favorites");
    QTest::addColumn<bool>(
        "tester"); // Qt's tester walks the whole model at every change: keep those runs small
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("addresses");
    QTest::newRow("by IP, scan model, under the tester") << 2 << true << false << true << 400 << 50;
    QTest::newRow("by name descending, under the tester")
        << 1 << false << false << true << 400 << 50;
    QTest::newRow("by status, under the tester") << 0 << true << false << true << 300 << 40;
    QTest::newRow("by MAC with many ties, under the tester")
        << 5 << true << false << true << 300 << 40;
    QTest::newRow("Favorites model by user, under the tester")
        << 6 << true << true << true << 300 << 60;
    QTest::newRow("by IP, long run") << 2 << true << false << false << 6000 << 2000;
    QTest::newRow("by name, long run") << 1 << true << false << false << 6000 << 1500;
    QTest::newRow("by comments: all equal, long run")
        << 7 << false << false << false << 4000 << 1000;
    QTest::newRow("by NetBIOS group descending, long run")
        << 4 << false << false << false << 4000 << 800;
}

void TestVResultsBackend::streamingMatchesReference()
{
    QFETCH(int, column);
    QFETCH(bool, ascending);
    QFETCH(bool, favorites);
    QFETCH(bool, tester);
    QFETCH(int, steps);
    QFETCH(int, addresses);
    VResultsBackend oModel(nullptr, VResultsBackend::kFavoritesColumnCount, favorites);
    oModel.SetCfg(m_oCfg);
    std::unique_ptr<QAbstractItemModelTester> pTester;
    if (tester)
        pTester = std::make_unique<QAbstractItemModelTester>(
            &oModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
    CReferenceModel oReference;
    oReference.nColumn = column;
    oReference.fAscending = ascending;
    oModel.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (favorites) {
        QList<CScanItem> lSeed;
        for (int i = 0; i < addresses; i += 2)
            lSeed << CScanItem(Result(Ip(10, 0, 0, 0) + quint32(i), EHostStatus::Dead));
        oReference.lItems = lSeed;
        oReference.Sort();
        oModel.FromList(lSeed);
    }
    QRandomGenerator oRandom(quint32(column + 100 * favorites));
    // Persistent indexes as a view holds them: they must always point at an existing row.
    QList<QPersistentModelIndex> lHeld;
    for (int nStep = 0; nStep < steps; ++nStep) {
        const CScanResult oResult = RandomResult(oRandom, addresses);
        const bool fKnown =
            std::any_of(oReference.lItems.cbegin(),
                        oReference.lItems.cend(),
                        [&](const CScanItem &o) { return o.result().ip() == oResult.ip(); });
        if (!favorites || fKnown)
            oReference.Merge(oResult, m_oCfg.show_unknown());
        oModel.OnDataReady(oResult);
        if (nStep % 97 == 0) {
            m_oCfg.set_show_unknown(!m_oCfg.show_unknown());
            if (nStep % 2)
                m_oCfg.set_show_dead(!m_oCfg.show_dead());
            if (nStep % 3 == 0)
                oModel.Update();
        }
        if (nStep % 331 == 0) {
            oReference.fAscending = !oReference.fAscending;
            oReference.Sort();
            oModel.sort(column, oReference.fAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
        }
        if (nStep % 50 == 0 && oModel.rowCount() > 0) {
            const QModelIndex oHost = oModel.index(int(oRandom.bounded(oModel.rowCount())), 0);
            lHeld << QPersistentModelIndex(oHost);
            if (oModel.rowCount(oHost) > 0)
                lHeld << QPersistentModelIndex(oModel.index(0, 1, oHost));
        }
        if (tester || nStep % 50 == 0) {
            QCOMPARE(StoredIps(oModel.Items()), StoredIps(oReference.lItems));
            QCOMPARE(ChildCountMismatches(oModel), QStringList());
        }
        for (const QPersistentModelIndex &oHeld : qAsConst(lHeld)) {
            if (oHeld.isValid())
                QCOMPARE(oModel.index(oHeld.row(), oHeld.column(), oHeld.parent()),
                         QModelIndex(oHeld));
        }
    }
    QCOMPARE(StoredIps(oModel.Items()), StoredIps(oReference.lItems));
    // What is shown follows the rows the flags allowed when each change happened; one Update()
    // applies the present flags everywhere.
    oModel.Update();
    QCOMPARE(ShownIps(oModel), oReference.Shown(m_oCfg));
}

void TestVResultsBackend::persistentIndexesFollowTheirHost()
{
    CScanResult oHost = Result(Ip(10, 0, 0, 50), EHostStatus::Alive);
    oHost.set_shares({QStringLiteral("A"), QStringLiteral("B")});
    m_pModel->OnDataReady(oHost);
    const QPersistentModelIndex oRow(m_pModel->index(0, 2));
    const QPersistentModelIndex oShare(m_pModel->index(1, 1, m_pModel->index(0, 0)));
    for (int i = 1; i < 20; ++i)
        m_pModel->OnDataReady(Result(Ip(10, 0, 0, i), EHostStatus::Alive));
    QCOMPARE(oRow.row(), 19);
    QCOMPARE(oRow.data().toString(), QStringLiteral("10.0.0.50"));
    QCOMPARE(oShare.data().toString(), QStringLiteral("B"));
    QCOMPARE(oShare.parent().row(), 19);
    m_pModel->sort(2, Qt::DescendingOrder);
    QCOMPARE(oRow.row(), 0);
    QCOMPARE(oShare.data().toString(), QStringLiteral("B"));
    oHost.set_shares({QStringLiteral("A")});
    m_pModel->OnDataReady(oHost);
    QVERIFY(!oShare.isValid());
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 50), EHostStatus::Unknown));
    QVERIFY(oRow.isValid()); // an unknown result with the default flags changes nothing shown
    m_pModel->Update();
    QVERIFY(!oRow.isValid());
}

void TestVResultsBackend::writerSkipsHiddenHosts()
{
    m_pModel->OnDataReady(Result(Ip(10, 0, 0, 1), EHostStatus::Unknown));
    QCOMPARE(
        ModelXml(*m_pModel),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel>\r\n</Vistrel>"));
    CScanResult oOdd = Result(Ip(10, 0, 0, 2), EHostStatus::Unknown);
    oOdd.set_status(9);
    m_pModel->OnDataReady(oOdd);
    QVERIFY(ModelXml(*m_pModel).contains(QLatin1String("<row ip=\"10.0.0.2\" mac=")));
}

void TestVResultsBackend::writerSelection()
{
    for (int i = 1; i <= 5; ++i)
        m_pModel->OnDataReady(
            Result(Ip(10, 0, 0, i), i == 2 ? EHostStatus::Unknown : EHostStatus::Alive));
    // Shown rows: .1 .3 .4 .5
    QVERIFY(!ModelXml(*m_pModel).isEmpty());
    QCOMPARE(ModelXml(*m_pModel).count(QLatin1String("<row ")),
             4); // nothing selected: all shown
    const QString sXml = ModelXml(*m_pModel, QString(), {3, 1, 9, 10, 11, 12, -1});
    QCOMPARE(sXml.count(QLatin1String("<row ")), 2);
    QVERIFY(sXml.indexOf(QLatin1String("10.0.0.5")) < sXml.indexOf(QLatin1String("10.0.0.3")));
    QCOMPARE(ModelXml(*m_pModel).count(QLatin1String("<row ")), 4);
}

void TestVResultsBackend::writerKeepsHiddenWhenAsked()
{
    QList<CScanItem> lItems = ThreeHosts();
    m_pModel->FromList(lItems);
    m_oCfg.set_show_dead(false);
    QCOMPARE(ModelXml(*m_pModel).count(QLatin1String("<row ")), 2);
    QCOMPARE(ModelXml(*m_pModel, QString(), {}, true).count(QLatin1String("<row ")), 3);
}

void TestVResultsBackend::mimePayload()
{
    QList<CScanItem> lItems = ThreeHosts();
    m_pModel->FromList(lItems);
    // A share row stands for its host.
    const QModelIndex oHost = m_pModel->index(0, 0);
    const QModelIndex oChild = m_pModel->index(0, 0, oHost);
    std::unique_ptr<QMimeData> pData(
        m_pModel->mimeData({oChild.isValid() ? oChild : oHost, oHost}));
    QVERIFY(pData->hasFormat(VResultsBackend::MimeFormat()));
    const QString sXml = QString::fromUtf8(pData->data(VResultsBackend::MimeFormat()));
    QCOMPARE(sXml.count(QLatin1String("<row ")), 1);
    QVERIFY(sXml.contains(QLatin1String("ip=\"10.0.0.1\"")));
    QVERIFY(pData->text().startsWith(QLatin1String("Status,Name,IP")));
    QVERIFY(pData->text().contains(QLatin1String("10.0.0.1")));
}

QTEST_GUILESS_MAIN(TestVResultsBackend)
#include "tst_VResultsBackend.moc"
