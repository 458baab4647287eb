#pragma once
// The task-list file: the rows of the task list as UTF-8 text that a person can read and write
// by hand. One row a line: "[x]" (ticked) or "[ ]" (not ticked), a blank and the movie's
// address. A line that is only an address counts as ticked, so a plain list of addresses, one a
// line, opens too. Blank lines and lines that begin with "#" say nothing. Platform-neutral.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TaskEntry {
    std::string address;
    bool checked = true;
    friend bool operator==(const TaskEntry&, const TaskEntry&) = default;
};

// Larger files are not task lists (a list of thousands of movies stays far below this).
constexpr std::size_t kMaxTaskListBytes = std::size_t(4) << 20;

// The file's bytes: a comment line naming the format, then one line per entry, CR LF ends.
// The addresses are UTF-8 already.
std::string FormatTaskList(const std::vector<TaskEntry>& entries);

// False, with the entries left empty, when the bytes are no task list: too many of them, not
// UTF-8 text (a zero byte or another control character, a broken sequence), or a line that is
// neither an entry nor an address (an address holds no blank, no control character and none of
// < > ").
bool ParseTaskList(std::string_view bytes, std::vector<TaskEntry>& entries);
