#pragma once

#include "app/ui/Login.h"

#include <QApplication>

namespace velmora::test {

// The login window the program has shown, if any.
inline Login* visibleLogin()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* l = qobject_cast<Login*>(w); l && l->isVisible())
            return l;
    }
    return nullptr;
}

} // namespace velmora::test
