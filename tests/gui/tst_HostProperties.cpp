// SPDX-License-Identifier: GPL-3.0-or-later
// The host properties dialog on its own, wired to a real Favorites model as the program wires it.
#include "CCfg.h"
#include "CGuiProgram.h"
#include "GuiTestSupport.h"
#include "MessageBoxCatcher.h"
#include "VResultsBackend.h"
#include "v_host_properties.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace GuiTest;

class TestHostProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addressCheck_data();
    void addressCheck();
    void macCheck_data();
    void macCheck();
    void validatorsRefuseOtherCharacters_data();
    void validatorsRefuseOtherCharacters();
    void fillingColoursFields_data();
    void fillingColoursFields();
    void addMode_data();
    void addMode();
    void editModeStoresMacAndComment_data();
    void editModeStoresMacAndComment();
    void cancelLeavesEntryUnchanged();
    void geometryKeptAcrossShows();

private:
    template <typename T> T *Child(const char *i_pName) const
    {
        return NamedChild<T>(m_pDialog.get(), i_pName);
    }
    QLineEdit *IpEdit() const { return Child<QLineEdit>("edIp"); }
    QLineEdit *MacEdit() const { return Child<QLineEdit>("edMac"); }
    QTextEdit *CommentEdit() const { return Child<QTextEdit>("edComments"); }
    QPushButton *OkButton() const { return Child<QPushButton>("pbOk"); }
    static void Retype(QLineEdit *io_pEdit, const QString &i_sText);
    static bool IsRed(const QLineEdit *i_pEdit);
    void ShowForAdd();
    void ShowForEdit(const CScanItem &i_oItem);
    const CScanItem *Entry(const char *i_pIp) const;

    QTemporaryDir m_oDir;
    std::unique_ptr<VResultsBackend> m_pModel;
    std::unique_ptr<v_host_properties> m_pDialog;
};

void TestHostProperties::initTestCase()
{
    QVERIFY(m_oDir.isValid());
    IsolateIn(m_oDir.path(), false);
}

void TestHostProperties::init()
{
    QCoreApplication::setApplicationName(
        QStringLiteral("vistrel-%1").arg(QLatin1String(QTest::currentTestFunction())));
    m_pModel =
        std::make_unique<VResultsBackend>(nullptr, VResultsBackend::kFavoritesColumnCount, true);
    m_pModel->SetCfg(CCfg());
    QList<CScanItem> lItems;
    lItems << CScanItem(Result("198.18.0.10", EHostStatus::Alive, 0, 0, Mac(0x10)),
                        QStringLiteral("file server"));
    m_pModel->FromList(lItems);
    m_pDialog = std::make_unique<v_host_properties>();
    m_pDialog->OnCfg(CCfg());
    m_pDialog->SetFavorites(m_pModel.get());
}

void TestHostProperties::cleanup()
{
    m_pDialog.reset();
    m_pModel.reset();
}

void TestHostProperties::Retype(QLineEdit *io_pEdit, const QString &i_sText)
{
    io_pEdit->setFocus();
    io_pEdit->selectAll();
    QTest::keyClick(io_pEdit, Qt::Key_Backspace);
    QTest::keyClicks(io_pEdit, i_sText);
}

bool TestHostProperties::IsRed(const QLineEdit *i_pEdit)
{
    const QColor oText = i_pEdit->palette().color(QPalette::Text);
    if (oText != QColor(Qt::red) && oText != QColor(Qt::black))
        qWarning("text colour is neither red nor black: %s", qPrintable(oText.name()));
    return oText == QColor(Qt::red);
}

void TestHostProperties::ShowForAdd()
{
    m_pDialog->hide();
    m_pDialog->SetData(CScanItem(), QString());
    m_pDialog->SetAddMode(true);
    m_pDialog->show();
}

void TestHostProperties::ShowForEdit(const CScanItem &i_oItem)
{
    m_pDialog->hide();
    m_pDialog->SetData(i_oItem, i_oItem.comments());
    m_pDialog->SetAddMode(false);
    m_pDialog->show();
}

const CScanItem *TestHostProperties::Entry(const char *i_pIp) const
{
    for (const CScanItem &oItem : m_pModel->Items()) {
        if (oItem.result().ip() == Ip(i_pIp))
            return &oItem;
    }
    return nullptr;
}

// ---- checks and colours -------------------------------------------------------------------------

void TestHostProperties::addressCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("storedIp");
    QTest::newRow("dotted address is black and stored")
        << QStringLiteral("198.18.0.77") << true << QStringLiteral("198.18.0.77");
    // Only four decimal octets: nothing is widened or read as octal.
    QTest::newRow("short form is red")
        << QStringLiteral("127.1") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("leading zero is red, never octal")
        << QStringLiteral("198.18.0.010") << false << QStringLiteral("198.18.0.0");
    // Typing runs the check on every keystroke, so an invalid text keeps the last valid
    // address typed on the way (none for the zero forms: the empty item's 0.0.0.0).
    QTest::newRow("0.0.0.0 is red")
        << QStringLiteral("0.0.0.0") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("0 alone is red") << QStringLiteral("0") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("0.0 is red") << QStringLiteral("0.0") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("padded zeros are red")
        << QStringLiteral("00.0.0.0") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("octet above 255 is red")
        << QStringLiteral("198.18.0.256") << false << QStringLiteral("198.18.0.25");
    QTest::newRow("trailing dot is red")
        << QStringLiteral("198.18.0.7.") << false << QStringLiteral("198.18.0.7");
    QTest::newRow("double dot is red")
        << QStringLiteral("198..18.0.7") << false << QStringLiteral("0.0.0.0");
    QTest::newRow("empty is invalid") << QString() << false << QStringLiteral("0.0.0.0");
}

void TestHostProperties::addressCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, storedIp);
    ShowForAdd();
    Retype(IpEdit(), text);
    QCOMPARE(IpEdit()->text(), text);
    // An empty field is not red before OK.
    QCOMPARE(IsRed(IpEdit()), !valid && !text.isEmpty());
    quint32 nIp = 0;
    QCOMPARE(v_host_properties::ParseAddress(text, &nIp), valid);
    QCOMPARE(m_pDialog->Item().result().ip(), Ip(storedIp.toLatin1().constData()));
}

void TestHostProperties::macCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("storedMac");
    QTest::newRow("six bytes are black")
        << QStringLiteral("02:5E:00:00:00:2A") << true << QByteArray::fromHex("025e0000002a");
    QTest::newRow("lower case and single digits are read")
        << QStringLiteral("2:5e:0:0:0:a") << true << QByteArray::fromHex("025e0000000a");
    QTest::newRow("dashes as Windows prints them are read")
        << QStringLiteral("3c-22-fb-00-00-05") << true << QByteArray::fromHex("3c22fb000005");
    QTest::newRow("three dotted groups are read")
        << QStringLiteral("3C22.FB00.0005") << true << QByteArray::fromHex("3c22fb000005");
    QTest::newRow("bare hexadecimal is read")
        << QStringLiteral("3c22fb000005") << true << QByteArray::fromHex("3c22fb000005");
    QTest::newRow("empty parts are red and read as zeros")
        << QStringLiteral("02::5E:00:00:00:2B") << false << QByteArray(6, '\0');
    QTest::newRow("mixed separators are red and read as zeros")
        << QStringLiteral("3c-22:fb-00:00-05") << false << QByteArray(6, '\0');
    QTest::newRow("eleven bare digits are red and read as zeros")
        << QStringLiteral("3c22fb00000") << false << QByteArray(6, '\0');
    QTest::newRow("dotted groups of three are red and read as zeros")
        << QStringLiteral("3c2.2fb.000") << false << QByteArray(6, '\0');
    QTest::newRow("all FF is red but stored")
        << QStringLiteral("FF:FF:FF:FF:FF:FF") << false << QByteArray(6, '\xFF');
    QTest::newRow("all zero is red")
        << QStringLiteral("00:00:00:00:00:00") << false << QByteArray(6, '\0');
    QTest::newRow("five bytes are red and read as zeros")
        << QStringLiteral("02:5E:00:00:2A") << false << QByteArray(6, '\0');
    QTest::newRow("seven bytes are red and read as zeros")
        << QStringLiteral("02:5E:00:00:2A:01:02") << false << QByteArray(6, '\0');
    QTest::newRow("byte above FF is red and read as zeros")
        << QStringLiteral("02:5E:00:00:2A:100") << false << QByteArray(6, '\0');
    QTest::newRow("empty is no MAC, not red") << QString() << true << QByteArray(6, '\xFF');
}

void TestHostProperties::macCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, storedMac);
    ShowForAdd();
    Retype(MacEdit(), text);
    QCOMPARE(MacEdit()->text(), text);
    QCOMPARE(IsRed(MacEdit()), !valid);
    QCOMPARE(m_pDialog->Item().result().mac(), storedMac);
}

void TestHostProperties::validatorsRefuseOtherCharacters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("letters in the address are refused")
        << QStringLiteral("edIp") << QStringLiteral("19a8.1x8.0.-5")
        << QStringLiteral("198.18.0.5");
    QTest::newRow("colons and blanks in the address are refused")
        << QStringLiteral("edIp") << QStringLiteral("127: 0.0.1") << QStringLiteral("1270.0.1");
    QTest::newRow("non-hexadecimal letters in the MAC are refused")
        << QStringLiteral("edMac") << QStringLiteral("0g2:5E:x00") << QStringLiteral("02:5E:00");
    QTest::newRow("dashes and dots in the MAC are kept for its other forms")
        << QStringLiteral("edMac") << QStringLiteral("02-5E.AB:cd")
        << QStringLiteral("02-5E.AB:cd");
}

void TestHostProperties::validatorsRefuseOtherCharacters()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    ShowForAdd();
    auto *pEdit = m_pDialog->findChild<QLineEdit *>(field);
    QVERIFY(pEdit);
    Retype(pEdit, typed);
    QCOMPARE(pEdit->text(), kept);
}

void TestHostProperties::fillingColoursFields_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("shownMac");
    QTest::addColumn<bool>("macRed");
    QTest::newRow("known MAC is black")
        << QByteArray::fromHex("025e00000010") << QStringLiteral("02:5E:00:00:00:10") << false;
    QTest::newRow("no MAC (all FF) shows an empty field")
        << QByteArray(6, '\xFF') << QString() << false;
    QTest::newRow("zero MAC shows an empty field") << QByteArray(6, '\0') << QString() << false;
}

void TestHostProperties::fillingColoursFields()
{
    QFETCH(QByteArray, mac);
    QFETCH(QString, shownMac);
    QFETCH(bool, macRed);
    CScanItem oItem(Result("198.18.0.10", EHostStatus::Alive, 0, 0, mac), QStringLiteral("x"));
    ShowForEdit(oItem);
    QCOMPARE(IpEdit()->text(), QStringLiteral("198.18.0.10"));
    QVERIFY(!IsRed(IpEdit()));
    QCOMPARE(MacEdit()->text(), shownMac);
    QCOMPARE(IsRed(MacEdit()), macRed);
    QCOMPARE(CommentEdit()->toPlainText(), QStringLiteral("x"));

    // The empty item of the add mode starts with empty fields, neither red.
    ShowForAdd();
    QCOMPARE(IpEdit()->text(), QString());
    QCOMPARE(MacEdit()->text(), QString());
    QVERIFY(!IsRed(IpEdit()));
    QVERIFY(!IsRed(MacEdit()));
    QVERIFY(CommentEdit()->toPlainText().isEmpty());
}

// ---- confirming ---------------------------------------------------------------------------------

void TestHostProperties::addMode_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QByteArray>("storedMac");
    const QString sMac = QStringLiteral("02:5E:00:00:00:11");
    const QByteArray baMac = QByteArray::fromHex("025e00000011");
    QTest::newRow("0.0.0.0 is an incorrect address")
        << QStringLiteral("0.0.0.0") << sMac << QStringLiteral("Incorrect IP address") << 1
        << baMac;
    QTest::newRow("half an address is incorrect")
        << QStringLiteral("198.18.") << sMac << QStringLiteral("Incorrect IP address") << 1
        << baMac;
    QTest::newRow("listed address already exists")
        << QStringLiteral("198.18.0.10") << sMac
        << QStringLiteral("Item with this IP already exists") << 1 << baMac;
    QTest::newRow("new address is added")
        << QStringLiteral("198.18.0.11") << sMac << QString() << 2 << baMac;
    QTest::newRow("MAC in the Windows form is added")
        << QStringLiteral("198.18.0.11") << QStringLiteral("02-5e-00-00-00-11") << QString() << 2
        << baMac;
    QTest::newRow("without a MAC the entry has none")
        << QStringLiteral("198.18.0.11") << QString() << QString() << 2 << QByteArray(6, '\xFF');
    QTest::newRow("a MAC that does not read is refused, not stored as zeros")
        << QStringLiteral("198.18.0.11") << QStringLiteral("02:5E:00:00:11")
        << QStringLiteral("Incorrect MAC address") << 1 << baMac;
}

void TestHostProperties::addMode()
{
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(QString, message);
    QFETCH(int, entries);
    QFETCH(QByteArray, storedMac);
    ShowForAdd();
    QCOMPARE(OkButton()->text(), QStringLiteral("Add"));
    QVERIFY(IpEdit()->isEnabled());
    Retype(IpEdit(), ip);
    Retype(MacEdit(), mac);
    CommentEdit()->setPlainText(QStringLiteral("new printer"));
    const TMessageBox oBox = CatchMessageBox([this]() { OkButton()->click(); });
    QCOMPARE(oBox.fShown, !message.isEmpty());
    QCOMPARE(m_pModel->ItemCount(), entries);
    if (!message.isEmpty()) {
        QCOMPARE(oBox.sTitle, QStringLiteral("Add to \"Favorites\""));
        QCOMPARE(oBox.sText, message);
        QVERIFY(m_pDialog->isVisible());
        // The user's input stays for another try.
        QCOMPARE(IpEdit()->text(), ip);
        QCOMPARE(CommentEdit()->toPlainText(), QStringLiteral("new printer"));
        if (const CScanItem *pKept = Entry("198.18.0.10"))
            QCOMPARE(pKept->comments(), QStringLiteral("file server"));
        else
            QFAIL("listed entry lost");
        return;
    }
    QVERIFY(!m_pDialog->isVisible());
    const CScanItem *pAdded = Entry("198.18.0.11");
    QVERIFY(pAdded);
    QCOMPARE(pAdded->result().status(), EHostStatus::Dead);
    QCOMPARE(pAdded->result().mac(), storedMac);
    QCOMPARE(pAdded->comments(), QStringLiteral("new printer"));
}

void TestHostProperties::editModeStoresMacAndComment_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QByteArray>("storedMac");
    QTest::addColumn<bool>("macRed");
    QTest::newRow("valid MAC is stored")
        << QStringLiteral("02:5E:00:00:00:99") << QByteArray::fromHex("025e00000099") << false;
    QTest::newRow("all FF is red and does not block Apply")
        << QStringLiteral("FF:FF:FF:FF:FF:FF") << QByteArray(6, '\xFF') << true;
    QTest::newRow("all zero is red and does not block Apply")
        << QStringLiteral("00:00:00:00:00:00") << QByteArray(6, '\0') << true;
}

void TestHostProperties::editModeStoresMacAndComment()
{
    QFETCH(QString, mac);
    QFETCH(QByteArray, storedMac);
    QFETCH(bool, macRed);
    ShowForEdit(*Entry("198.18.0.10"));
    QVERIFY(!IpEdit()->isEnabled());
    QCOMPARE(OkButton()->text(), QStringLiteral("Apply"));
    Retype(MacEdit(), mac);
    QCOMPARE(IsRed(MacEdit()), macRed);
    CommentEdit()->setPlainText(QStringLiteral("file server, 2nd floor"));
    const TMessageBox oBox = CatchMessageBox([this]() { OkButton()->click(); });
    QVERIFY(!oBox.fShown);
    QVERIFY(!m_pDialog->isVisible());
    QCOMPARE(m_pModel->ItemCount(), 1);
    const CScanItem *pEntry = Entry("198.18.0.10");
    QVERIFY(pEntry);
    QCOMPARE(pEntry->result().mac(), storedMac);
    QCOMPARE(pEntry->comments(), QStringLiteral("file server, 2nd floor"));
    QCOMPARE(pEntry->result().status(), EHostStatus::Alive);
}

void TestHostProperties::cancelLeavesEntryUnchanged()
{
    ShowForEdit(*Entry("198.18.0.10"));
    Retype(MacEdit(), QStringLiteral("02:5E:00:00:00:77"));
    CommentEdit()->setPlainText(QStringLiteral("changed"));
    Child<QPushButton>("pbCancel")->click();
    QVERIFY(!m_pDialog->isVisible());
    const CScanItem *pEntry = Entry("198.18.0.10");
    QVERIFY(pEntry);
    QCOMPARE(pEntry->result().mac(), Mac(0x10));
    QCOMPARE(pEntry->comments(), QStringLiteral("file server"));
}

void TestHostProperties::geometryKeptAcrossShows()
{
    ShowForAdd();
    const QRect oRect(40, 50, 360, 240);
    m_pDialog->setGeometry(oRect);
    QTest::keyClick(m_pDialog.get(), Qt::Key_Escape);
    QVERIFY(!m_pDialog->isVisible());
    QCOMPARE(CCfg().Value(QStringLiteral("State/HostProperties/Rect")).toRect(), oRect);

    m_pDialog->setGeometry(QRect(0, 0, 200, 150));
    ShowForAdd();
    QCOMPARE(m_pDialog->geometry(), oRect);
    m_pDialog->close();
    QVERIFY(!m_pDialog->isVisible());
}

QTEST_MAIN(TestHostProperties)
#include "tst_HostProperties.moc"
