// The task-list file's text: what a saved list holds, what opens, and what is refused as no
// task list at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TaskListFile.h"

namespace {

TEST(TaskListFile, SavedListOpensAsTheSameRowsAndChecks)
{
    const std::vector<TaskEntry> rows = {
        {"http://h/dir/a.swf", true}, {"http://h/b.swf?x=1&y=2", false}, {"http://h/\xC3\xA9t\xC3\xA9.swf", true}};
    const std::string text = FormatTaskList(rows);
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              "[x] http://h/dir/a.swf\r\n[ ] http://h/b.swf?x=1&y=2\r\n[x] http://h/\xC3\xA9t\xC3\xA9.swf\r\n");
    EXPECT_EQ(text.front(), '#') << "the first line names the format";
    std::vector<TaskEntry> opened;
    ASSERT_TRUE(ParseTaskList(text, opened));
    EXPECT_EQ(opened, rows);

    ASSERT_TRUE(ParseTaskList(FormatTaskList({}), opened));
    EXPECT_TRUE(opened.empty());
}

TEST(TaskListFile, WrittenByHandOrAPlainListOfAddresses)
{
    const struct {
        std::string text;
        std::vector<TaskEntry> rows;
    } cases[] = {
        {"http://h/a.swf\nhttp://h/b.swf\n", {{"http://h/a.swf", true}, {"http://h/b.swf", true}}},
        {"\xEF\xBB\xBF[X] http://h/a.swf\r\n\r\n  # a note\r\n\t[ ]\thttp://h/b.swf  \r\n",
         {{"http://h/a.swf", true}, {"http://h/b.swf", false}}},
        {"a/x.swf", {{"a/x.swf", true}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        std::vector<TaskEntry> rows;
        EXPECT_TRUE(ParseTaskList(c.text, rows)) << c.text;
        EXPECT_EQ(rows, c.rows) << c.text;
    }
}

TEST(TaskListFile, WhatIsNoTaskListIsRefused)
{
    const std::string refused[] = {
        std::string("FWS\x08\x40\x01\x00\x00", 8),            // a movie
        std::string("http://h/a.swf\n\0", 16),               // a zero byte
        "http://h/a.swf\x1B[0m\n",                            // a control character
        "http://h/\xC3.swf\n",                                // a broken UTF-8 sequence
        "http://h/\xC0\xAF.swf\n",                            // an over-long one
        "Dear user,\nthis is a letter.\n",                    // words, not addresses
        "<html>\n<body>\n",
        "[x]\n",
        std::string(kMaxTaskListBytes + 1, 'a'),
    };
    for (const std::string& text : refused) {
        std::vector<TaskEntry> rows{{"left over", true}};
        EXPECT_FALSE(ParseTaskList(text, rows)) << text.substr(0, 40);
        EXPECT_TRUE(rows.empty());
    }
}

} // namespace
