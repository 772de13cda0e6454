#include "datastore/History.h"

#include "datastore/BinaryIO.h"
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

void HistoryEntry::Write(std::ostream& os) const {
    WriteByte(os, isRawText ? 1 : 0);
    WriteText(os, title);
    WriteText(os, text);
    for (std::int32_t v : timeStamp) WriteI32(os, v);
    WriteText(os, user);
}

void HistoryEntry::Read(std::istream& is) {
    isRawText = ReadByte(is) != 0;
    title = ReadTerminatedString(is);
    text = ReadTerminatedString(is);
    for (auto& v : timeStamp) v = ReadI32(is);
    user = ReadTerminatedString(is);
}

void WriteHistory(std::ostream& os, const std::vector<HistoryEntry>& history) {
    WriteI32(os, static_cast<std::int32_t>(history.size()));
    for (const auto& e : history) e.Write(os);
}

void ReadHistory(std::istream& is, std::vector<HistoryEntry>& history) {
    const std::int32_t count = ReadI32(is);
    // Every stored entry takes at least 40 bytes (flag, three NULs, nine integers).
    if (count < 0 || is.bad() || !CountFits(is, count, 40)) Fail(msg::kHistoryCorrupt);
    history.resize(static_cast<std::size_t>(count));
    for (auto& e : history) e.Read(is);
}

void FileAttributes::Write(std::ostream& os) const {
    WriteByte(os, cfrCompliant ? 1 : 0);
    WriteByte(os, asAcquired ? 1 : 0);
    WriteText(os, fileId);
    WriteText(os, timeStamp);
}

void FileAttributes::Read(std::istream& is) {
    cfrCompliant = ReadByte(is) != 0;
    asAcquired = ReadByte(is) != 0;
    fileId = ReadTerminatedString(is);
    timeStamp = ReadTerminatedString(is);
}

void ParentFileAttributes::Write(std::ostream& os) const {
    WriteText(os, fileName);
    FileAttributes::Write(os);
}

void ParentFileAttributes::Read(std::istream& is) {
    fileName = ReadTerminatedString(is);
    FileAttributes::Read(is);
}

void OptionList::Write(std::ostream& os) const {
    WriteI32(os, entries.Count());
    for (int i = 0; i < entries.Count(); ++i) WriteText(os, entries.At(i));
}

void OptionList::Read(std::istream& is) {
    const std::int32_t count = ReadI32(is);
    if (!is || count < 0 || !CountFits(is, count, 1)) Fail(msg::kFileCorrupt);
    entries.Resize(0);
    entries.Resize(count);
    for (int i = 0; i < count; ++i) entries.At(i) = ReadTerminatedString(is);
}

}  // namespace kyn
