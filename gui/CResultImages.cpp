// SPDX-License-Identifier: GPL-3.0-or-later
#include "CResultImages.h"

#include "VResultsBackend.h"

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QMutexLocker>

// The images live in a static library, whose resources are not registered on their own.
static void InitImageResources()
{
    Q_INIT_RESOURCE(vistrel);
}

namespace {

QMutex s_oImageMutex;

} // namespace

void CResultImages::Install()
{
    InitImageResources();
    VResultsBackend::SetImageSource(&CResultImages::Image);
}

QVariant CResultImages::Image(int i_nNumber)
{
    // In the order of the model's image numbers.
    static const char *const s_aFiles[] = {
        "icon_alive.png",
        "icon_dead.png",
        "icon_unknown.png",
        "ftp.png",
        "http.png",
        "https.png",
        "share.png",
        "icon_ortavo.png",
    };
    if (i_nNumber < 0 || i_nNumber >= int(sizeof(s_aFiles) / sizeof(s_aFiles[0])))
        return QVariant();
    static QHash<int, QImage> *s_pCache = nullptr;
    QMutexLocker oLock(&s_oImageMutex);
    if (!s_pCache)
        s_pCache = new QHash<int, QImage>; // kept for the life of the process
    auto it = s_pCache->find(i_nNumber);
    if (it == s_pCache->end())
        it = s_pCache->insert(
            i_nNumber, QImage(QStringLiteral(":/vistrel/") + QLatin1String(s_aFiles[i_nNumber])));
    return QVariant(*it);
}
