// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariant>

// The status and service icons of the results trees, read once from the program's resources and
// kept for the life of the process. The results model asks for them by number through the image
// source Install() sets, so that the model itself, shared with the console, needs no image
// library. Image() may be called from any thread; Install() before the first view is shown.
class CResultImages final
{
public:
    CResultImages() = delete;

    static void Install();
    // Image 0..7 as a QImage in a QVariant; invalid outside that range.
    static QVariant Image(int i_nNumber);
};
