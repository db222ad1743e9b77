#include "engine/Converter.h"

#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/SettingsStore.h"
#include "platform/SystemDate.h"
#include "platform/TextEncoding.h"

#include <cstdio>
#include <filesystem>

CConverter::CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store)
    : m_bUseExistingMaster(0),
      m_bFieldOn{},
      m_nFieldCol{},
      m_fValues{},
      m_nDateFormat(static_cast<int>(EDateFormat::YY_MM_DD)),
      m_bReverse(0),
      m_bSkipRows(0),
      m_nSkipRows(0),
      m_nFieldCount(0),
      m_fs(fs),
      m_messages(messages),
      m_store(store) {}

CConverter::~CConverter() = default;

int CConverter::CheckColumns() {
    m_nFieldCount = 0;
    for (int bOn : m_bFieldOn) {
        if (bOn != 0) {
            ++m_nFieldCount;
        }
    }
    if (m_nFieldCount > 1) {
        return 0;
    }
    m_messages.Show("You need to select more columns", EMessageButtons::Ok, EMessageIcon::Information);
    return 1;
}

MbfSingle TodayDateValue() {
    const SCalendarDate today = GetSystemDate();
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", today.nMonth, today.nDay, today.nYear % 100);
    const auto day = DateTextToDayNumber(text, static_cast<std::int16_t>(EDateFormat::MM_DD_YY));
    return day ? DayNumberToDateValue(*day) : MbfSingle{};
}

int CConverter::Convert() {
    if (CheckMasterPath() != 0 || CheckColumns() != 0 || CheckDuplicateSymbol() != 0 || AddSecurity() != 0) {
        return 1;
    }
    // The store keeps text as UTF-8; symbol and name are held here as they go into MASTER.
    m_store.PutString("Import", "PathIn", m_strInputPath);
    m_store.PutString("Import", "PathOut", m_szOutputDir);
    m_store.PutString("Import", "Symbol", Windows1252ToUtf8(m_szSymbol));
    m_store.PutString("Import", "Name", Windows1252ToUtf8(m_szName));

    if (m_bUseExistingMaster != 0) {
        // A backup that cannot be made does not stop the run.
        const std::filesystem::path master(m_szMasterPath);
        m_fs.CopyFile(master, EntryPathNoCase(master.parent_path(), master.filename().string() + ".BAK"));
    }
    if (m_bReverse != 0 && ReverseInput() != 0) {
        return 1;
    }
    return ConvertLines();
}
