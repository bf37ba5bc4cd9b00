// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class CScanResult;
class QIODevice;

// The IP-to-MAC memory: the MAC address and host name last seen for every address that answered
// with a MAC address, kept across runs in "vistrel_MAC.bin" in the home directory.
//
// One instance per process (Instance()), created on first use by any thread and then owned by the
// application object, whose destruction saves the file. Entries, Load() and Save() belong to the
// thread of the application object; nothing but the creation is locked.
//
// The file is the QDataStream form of QMap<qint32, QList<QVariant>> (key: the address with its
// first dotted number in the most significant byte, as a signed value; entry: MAC bytes, name).
// A damaged or cut file gives an empty memory and is renamed aside with DamagedSuffix() so that
// the next save cannot destroy what the user had. The file is only rewritten when an entry
// changed or when it does not exist, and always through a temporary file.
class MIpMacDataStorage final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MIpMacDataStorage)

public:
    using TEntry = QList<QVariant>;
    using TMemory = QMap<qint32, TEntry>;

    // Tests and tools may own private instances; programs use Instance().
    explicit MIpMacDataStorage(QObject *i_pParent = nullptr);
    ~MIpMacDataStorage() override; // saves

    static MIpMacDataStorage *Instance();
    static QString FileName() { return QStringLiteral("vistrel_MAC.bin"); }
    static QString DefaultPath();
    static QString DamagedSuffix() { return QStringLiteral(".damaged"); }
    // A larger file is set aside unread, like a damaged one. An entry takes 32 bytes plus two
    // per character of its name, so this holds half a million unnamed hosts or some 60,000
    // with 120-character names: far more than the links a machine sits on can answer ARP for
    // (a /8 worth would cost gigabytes of memory once read).
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    // Clears the memory, remembers a non-empty path and reads the file when it exists.
    void Load(const QString &i_sPath);
    // Writes the file when there is a path and something to keep. False when writing failed or
    // the memory has grown beyond kMaxFileBytes (the file is then left as it was).
    bool Save();

    QByteArray GetMac(quint32 i_nIp) const;
    QString GetName(quint32 i_nIp) const;
    void SetMac(quint32 i_nIp, const QByteArray &i_baMac);
    void SetName(quint32 i_nIp, const QString &i_sName);

    // Applies the memory to a fresh scan result as the main window does: remembers an answered
    // MAC (and name), or fills in a remembered one. A host that answered without a MAC (routed,
    // or this machine) stays alive. False when the result must be dropped (a never-seen silent
    // host in a scan of more than 65,535 addresses).
    bool ApplyToResult(CScanResult &io_oResult);

    QString Path() const { return m_sPath; }
    bool IsModified() const { return m_fModified; }
    // Where the last Load() put a damaged file; empty when it did not.
    QString DamagedFileKeptAs() const { return m_sDamagedKeptAs; }
    const TMemory &Memory() const { return m_mMemory; }

    // The reader and writer of the file format; the reader never allocates more than the device
    // holds and fails on anything it cannot read completely.
    static bool ReadMemory(QIODevice &i_rDevice, TMemory *o_pMemory);
    static QByteArray SerializeMemory(const TMemory &i_mMemory);

private:
    TEntry &EnsureEntry(quint32 i_nIp);
    void KeepDamagedFileAside();

    QString m_sPath;
    TMemory m_mMemory;
    bool m_fModified = false;
    // Set when a damaged file could not be moved aside: it must then never be overwritten.
    bool m_fSaveBlocked = false;
    QString m_sDamagedKeptAs;
};
