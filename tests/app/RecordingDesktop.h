// The desktop for tests: records every target it is asked to open and every beep, and
// succeeds or fails as the test says. Installed for its lifetime.
#pragma once

#include "app/Desktop.h"

#include <QStringList>

class CRecordingDesktop : public CDesktop {
public:
    CRecordingDesktop() { CDesktop::SetCurrent(this); }
    ~CRecordingDesktop() override { CDesktop::SetCurrent(nullptr); }
    CRecordingDesktop(const CRecordingDesktop&) = delete;
    CRecordingDesktop& operator=(const CRecordingDesktop&) = delete;

    bool Open(const QString& strTarget) override {
        m_opened << strTarget;
        return m_bSucceed;
    }
    void Beep() override { ++m_nBeeps; }

    bool m_bSucceed = true;
    QStringList m_opened;
    int m_nBeeps = 0;
};
