#include "app/Desktop.h"

#include "app/QtDesktop.h"

namespace {

CDesktop* g_pDesktop = nullptr;

} // namespace

CDesktop& CDesktop::Current() {
    static CQtDesktop qtDesktop;
    return g_pDesktop != nullptr ? *g_pDesktop : qtDesktop;
}

void CDesktop::SetCurrent(CDesktop* pDesktop) {
    g_pDesktop = pDesktop;
}
