#include "datastore/History.h"

#include "util/TimeText.h"
#include "util/UserName.h"

namespace kyn {

void HistoryEntry::SetTime(const std::tm& tm) {
    timeStamp = {tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min,
                 tm.tm_sec,  tm.tm_isdst, tm.tm_wday, tm.tm_yday};
}

std::tm HistoryEntry::Time() const {
    std::tm tm{};
    tm.tm_year = timeStamp[0];
    tm.tm_mon = timeStamp[1];
    tm.tm_mday = timeStamp[2];
    tm.tm_hour = timeStamp[3];
    tm.tm_min = timeStamp[4];
    tm.tm_sec = timeStamp[5];
    tm.tm_isdst = timeStamp[6];
    tm.tm_wday = timeStamp[7];
    tm.tm_yday = timeStamp[8];
    return tm;
}

void HistoryEntry::Stamp(const std::string& entryTitle) {
    title = entryTitle;
    user = CurrentUserName();
    SetTime(LocalNow());
}

std::string HistoryEntry::Block() const {
    if (isRawText) return text;
    std::string b;
    b.reserve(160 + text.size() + user.size());
    b += "User : ";
    b += user;
    b += "\r\n";
    b += "Version : ";
    b += version::kProgramName;
    b += " v.";
    b += version::kVersion;
    b += " Build : ";
    b += version::kBuildDate;
    b += " ";
    b += version::kBuildTime;
    b += "\r\n";
    b += text;
    b += "Time Stamp : ";
    b += FormatCTime(Time());
    b += "\n\r\n";
    b += "----------------------------------------------------\r\n";
    return b;
}

}  // namespace kyn
