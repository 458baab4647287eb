#include "TaskListFile.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeading = "# Tarnwick task list: [x] ticked, [ ] not ticked, then the movie's address.";

// Well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF) holding no control
// character but tab, carriage return and line feed.
bool IsText(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned long code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const unsigned long shortest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
        if (code < shortest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (code >= 0x80 && code < 0xA0) return false;   // the C1 controls
        i += length;
    }
    return true;
}

std::string_view Trimmed(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool IsAddress(std::string_view text)
{
    return !text.empty() && text.find_first_of(" \t<>\"") == std::string_view::npos;
}

} // namespace

std::string FormatTaskList(const std::vector<TaskEntry>& entries)
{
    std::string text(kHeading);
    text += "\r\n";
    for (const TaskEntry& entry : entries) {
        text += entry.checked ? "[x] " : "[ ] ";
        text += entry.address;
        text += "\r\n";
    }
    return text;
}

bool ParseTaskList(std::string_view bytes, std::vector<TaskEntry>& entries)
{
    entries.clear();
    if (bytes.size() > kMaxTaskListBytes) return false;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
    if (!IsText(bytes)) return false;

    std::vector<TaskEntry> found;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = Trimmed(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;

        TaskEntry entry;
        std::string_view address = line;
        const std::string_view mark = line.substr(0, 3);
        if (mark == "[x]" || mark == "[X]" || mark == "[ ]") {
            entry.checked = mark != "[ ]";
            address = Trimmed(line.substr(3));
        }
        if (!IsAddress(address)) return false;
        entry.address.assign(address);
        found.push_back(std::move(entry));
    }
    entries = std::move(found);
    return true;
}
