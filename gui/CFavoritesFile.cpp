// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFavoritesFile.h"

#include "CAtomicFile.h"
#include "CFavoritesContentHandler.h"
#include "CResultsXml.h"
#include "GuiLog.h"
#include "VResultsBackend.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QByteArray Digest(const QByteArray &i_baXml)
{
    return QCryptographicHash::hash(i_baXml, QCryptographicHash::Sha256);
}

} // namespace

CFavoritesFile::CFavoritesFile(QObject *i_pParent)
    : QObject(i_pParent)
{
    m_oTimer.setSingleShot(true);
    connect(&m_oTimer, &QTimer::timeout, this, &CFavoritesFile::SaveIfChanged);
}

CFavoritesFile::~CFavoritesFile() = default;

QString CFavoritesFile::Path()
{
    return QDir::homePath() + QLatin1Char('/') + QStringLiteral("vistrel_Favorites.bin");
}

bool CFavoritesFile::Read(QList<CScanItem> *o_plItems)
{
    o_plItems->clear();
    if (!QFileInfo::exists(Path()))
        return false;
    QString sError;
    if (CFavoritesContentHandler::ReadItemsFromFile(Path(), o_plItems, &sError))
        return true;
    qCWarning(lcGui) << "favorites file not read:" << sError;
    return false;
}

bool CFavoritesFile::Load(QList<CScanItem> *o_plItems)
{
    const bool fRead = Read(o_plItems);
    m_fKeepUnreadFile = !fRead && QFileInfo::exists(Path());
    return fRead;
}

void CFavoritesFile::Watch(VResultsBackend *i_pModel)
{
    if (m_pModel)
        disconnect(m_pModel, nullptr, this, nullptr);
    m_pModel = i_pModel;
    if (!m_pModel)
        return;
    m_baSavedDigest = Digest(CurrentXml());
    // Sorting re-lays out the rows too; the digest keeps such changes off the disk.
    connect(m_pModel, &QAbstractItemModel::layoutChanged, this, &CFavoritesFile::ScheduleSave);
    connect(m_pModel, &QAbstractItemModel::rowsInserted, this, &CFavoritesFile::ScheduleSave);
    connect(m_pModel, &QAbstractItemModel::rowsRemoved, this, &CFavoritesFile::ScheduleSave);
    connect(m_pModel, &QAbstractItemModel::dataChanged, this, &CFavoritesFile::ScheduleSave);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &CFavoritesFile::ScheduleSave);
}

void CFavoritesFile::ScheduleSave()
{
    if (!m_pModel || m_oTimer.isActive())
        return;
    qint64 nWaitMs = 0;
    if (m_oSinceSave.isValid())
        nWaitMs = std::max<qint64>(0, kMinGapMs - m_oSinceSave.elapsed());
    m_oTimer.start(int(nWaitMs));
}

QByteArray CFavoritesFile::CurrentXml() const
{
    // Hosts hidden by the status filter are favorites all the same.
    if (!m_pModel || m_pModel->ItemCount() == 0)
        return QByteArray();
    return CResultsXml::Export(m_pModel->ItemsForExport({}, true), QString()).toUtf8();
}

void CFavoritesFile::SaveIfChanged()
{
    if (!m_pModel)
        return;
    const QByteArray baXml = CurrentXml();
    const QByteArray baDigest = Digest(baXml);
    if (baDigest == m_baSavedDigest)
        return;
    m_oSinceSave.start();
    if (Write(baXml))
        m_baSavedDigest = baDigest;
}

bool CFavoritesFile::SaveNow()
{
    m_oTimer.stop();
    if (!m_pModel)
        return false;
    const QByteArray baXml = CurrentXml();
    if (!Write(baXml))
        return false;
    m_baSavedDigest = Digest(baXml);
    return true;
}

bool CFavoritesFile::Write(const QByteArray &i_baXml)
{
    const QString sPath = Path();
    if (i_baXml.isEmpty()) {
        if (m_fKeepUnreadFile)
            return true;
        if (QFile::exists(sPath) && !QFile::remove(sPath)) {
            qCWarning(lcGui) << "favorites file not removed:" << sPath;
            return false;
        }
        return true;
    }
    QString sError;
    if (!CAtomicFile::Save(sPath, i_baXml, &sError)) {
        qCWarning(lcGui) << "favorites file not written:" << sError;
        return false;
    }
    m_fKeepUnreadFile = false;
    return true;
}
