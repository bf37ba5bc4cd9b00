// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <memory>

#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own: a fresh cluster in a temporary folder, no TCP at all,
// its socket in that folder, started and stopped by its process id. The server refuses to run
// as root, so under root it runs as the postgres user that Debian's package creates.
class CPostgresServer final
{
public:
    static QString BinDir()
    {
        const QDir oVersions(QStringLiteral("/usr/lib/postgresql"));
        const QStringList lsVersions =
            oVersions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
        for (const QString &sVersion : lsVersions) {
            const QString sBin = oVersions.filePath(sVersion + QStringLiteral("/bin"));
            if (QFile::exists(sBin + QStringLiteral("/postgres")))
                return sBin;
        }
        return QString();
    }

    // Empty on success, else why the server could not be had.
    QString Start()
    {
        const QString sBin = BinDir();
        if (sBin.isEmpty())
            return QStringLiteral("PostgreSQL server programs not installed");
        if (!m_oDir.isValid())
            return QStringLiteral("no temporary folder");
        QStringList lsAs;
        if (geteuid() == 0) {
            const passwd *pUser = getpwnam("postgres");
            if (!pUser)
                return QStringLiteral("no postgres user to run the server as");
            if (chown(QFile::encodeName(m_oDir.path()).constData(), pUser->pw_uid, pUser->pw_gid)
                != 0)
                return QStringLiteral("cannot hand the folder to postgres");
            lsAs = QStringList{QStringLiteral("setpriv"),
                               QStringLiteral("--reuid=%1").arg(pUser->pw_uid),
                               QStringLiteral("--regid=%1").arg(pUser->pw_gid),
                               QStringLiteral("--clear-groups"),
                               QStringLiteral("--")};
        }
        const QString sData = m_oDir.filePath(QStringLiteral("data"));
        QProcess oInit;
        QStringList lsInit = lsAs;
        lsInit << sBin + QStringLiteral("/initdb") << QStringLiteral("-D") << sData
               << QStringLiteral("-U") << User() << QStringLiteral("--auth=trust")
               << QStringLiteral("--no-sync") << QStringLiteral("-E") << QStringLiteral("UTF8");
        oInit.start(lsInit.takeFirst(), lsInit);
        if (!oInit.waitForFinished(120000) || oInit.exitCode() != 0)
            return QStringLiteral("initdb failed: ") + QString::fromLocal8Bit(oInit.readAll());
        m_lsAs = lsAs;
        m_sData = sData;
        return Run();
    }

    // Starts the server on the cluster made by Start(), again after Stop().
    QString Run()
    {
        const QString sBin = BinDir();
        const QString sData = m_sData;
        QStringList lsServer = m_lsAs;
        lsServer << sBin + QStringLiteral("/postgres") << QStringLiteral("-D") << sData
                 << QStringLiteral("-k") << m_oDir.path() << QStringLiteral("-c")
                 << QStringLiteral("listen_addresses=") << QStringLiteral("-c")
                 << QStringLiteral("fsync=off");
        m_pServer = std::make_unique<QProcess>();
        m_pServer->setStandardOutputFile(m_oDir.filePath(QStringLiteral("server.log")));
        m_pServer->setStandardErrorFile(m_oDir.filePath(QStringLiteral("server.log")),
                                        QIODevice::Append);
        m_pServer->start(lsServer.takeFirst(), lsServer);
        if (!m_pServer->waitForStarted(10000))
            return QStringLiteral("postgres did not start");
        for (int i = 0; i < 300; ++i) {
            if (QFile::exists(m_oDir.filePath(QStringLiteral(".s.PGSQL.5432")))) {
                QThread::msleep(200);
                return QString();
            }
            if (m_pServer->state() == QProcess::NotRunning)
                return QStringLiteral("postgres ended at start");
            QThread::msleep(100);
        }
        return QStringLiteral("postgres socket never appeared");
    }

    // Fast shutdown by the server's own process id: open connections are cut.
    void Stop()
    {
        if (!m_pServer || m_pServer->state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_pServer->processId()), SIGINT);
        if (!m_pServer->waitForFinished(30000)) {
            m_pServer->kill();
            m_pServer->waitForFinished(5000);
        }
    }

    ~CPostgresServer() { Stop(); }

    static QString User() { return QStringLiteral("vistrel"); }
    QString Url(const QString &i_sDatabase = QStringLiteral("postgres")) const
    {
        return QStringLiteral("postgresql://%1@localhost/%2?host=%3")
            .arg(User(), i_sDatabase, m_oDir.path());
    }
    QString SocketDir() const { return m_oDir.path(); }

private:
    QTemporaryDir m_oDir;
    QStringList m_lsAs;
    QString m_sData;
    std::unique_ptr<QProcess> m_pServer;
};
