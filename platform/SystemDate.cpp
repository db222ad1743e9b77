#include "platform/SystemDate.h"

#include <ctime>

SCalendarDate GetSystemDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) {
        // A clock the system cannot read: the earliest date the database can hold.
        return {1900, 1, 1};
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
