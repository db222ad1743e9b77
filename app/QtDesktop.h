// The desktop as Qt reaches it: the desktop's URL handlers and the application beep.
#pragma once

#include "app/Desktop.h"

class CQtDesktop : public CDesktop {
public:
    bool Open(const QString& strTarget) override;
    void Beep() override;
};
