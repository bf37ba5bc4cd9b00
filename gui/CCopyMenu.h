// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

class CScanItem;
class VResultsBackend;
class QMenu;
class QSignalMapper;

// The "Copy" submenu of the host context menus and the texts it puts on the clipboard: one field
// of a host, or all eight joined by TAB characters. Entries are mapped through the window's one
// QSignalMapper named "map_menu_copy" to the column number plus one ("All" is 0). Main thread.
class CCopyMenu final
{
public:
    static constexpr int kAll = 0;
    static constexpr int kFieldCount = 8;
    static constexpr int kCommentsField = 8;

    CCopyMenu() = delete;

    static QString MapperName() { return QStringLiteral("map_menu_copy"); }
    // Adds the submenu to io_pMenu. i_fWithComments is false on the scan view, whose rows have no
    // comment column. The mapper must already exist; the window creates it on first use.
    static QMenu *AddTo(QMenu *io_pMenu, QSignalMapper *i_pMapper, bool i_fWithComments);

    // Field n (1..8: status, name, IP, NetBIOS name, NetBIOS group, MAC, user, comment) alone,
    // or all eight joined by TAB for kAll; empty for any other number. The MAC of a host that
    // gave none is empty, as the tree shows it.
    static QString Text(const CScanItem &i_oItem, int i_nField);
    // Several hosts (shown rows of the model): a header line of the field titles, then per host
    // its line as Text() gives it followed by a line per child row (its cells in the field's
    // column, or all eight columns for kAll); every line ends in a newline.
    static QString Rows(const VResultsBackend &i_oModel, const QVector<int> &i_vRows, int i_nField);
};
