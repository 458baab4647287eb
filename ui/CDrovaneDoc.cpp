#include "CDrovaneDoc.h"

#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "CWnd.h"
#include "ScopedHandles.h"
#include "TaskListFile.h"
#include "WinStrings.h"

namespace {

constexpr const char* kNotATaskList = "This file is not a task list.";
constexpr const char* kCannotRead = "The file cannot be read.";
constexpr const char* kCannotSave = "The task list could not be saved.";

// The whole file, unless it is larger than any task list.
bool ReadSmallFile(const char* path, std::string& bytes, bool& tooLarge)
{
    tooLarge = false;
    const FileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size)) return false;
    if (size.QuadPart > static_cast<LONGLONG>(kMaxTaskListBytes)) {
        tooLarge = true;
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

const CRuntimeClass CDrovaneDoc::classCDrovaneDoc("CDrovaneDoc", &CreateObjectOf<CDrovaneDoc>,
                                                  &CDocument::classCDocument);

CDrovaneView* CDrovaneDoc::TaskList() const
{
    return dynamic_cast<CDrovaneView*>(GetView());
}

const char* CDrovaneDoc::GetFileFilter() const
{
    return "Task Lists (*.txt)|*.txt|All Files (*.*)|*.*||";
}

BOOL CDrovaneDoc::OnOpenDocument(const char* path)
{
    CDrovaneView* view = TaskList();
    if (!view) return FALSE;
    std::string bytes;
    bool tooLarge = false;
    if (!ReadSmallFile(path, bytes, tooLarge)) {
        AfxMessageBox(tooLarge ? kNotATaskList : kCannotRead);
        return FALSE;
    }
    std::vector<TaskEntry> entries;
    bool convertible = ParseTaskList(bytes, entries);
    // The file is UTF-8; the program's addresses are in the system's code page, and an address
    // with a character that has no form there would name another movie.
    for (TaskEntry& entry : entries) {
        bool exact = true;
        entry.address = NarrowText(WideText(entry.address, CP_UTF8), CP_ACP, &exact);
        convertible = convertible && exact;
    }
    if (!convertible) {
        AfxMessageBox(kNotATaskList);
        return FALSE;
    }
    view->ReplaceTasks(entries);
    return TRUE;
}

BOOL CDrovaneDoc::OnSaveDocument(const char* path)
{
    const CDrovaneView* view = TaskList();
    if (!view) return FALSE;
    std::vector<TaskEntry> entries = view->GetTaskEntries();
    for (TaskEntry& entry : entries) entry.address = NarrowText(WideText(entry.address), CP_UTF8);
    const std::string text = FormatTaskList(entries);

    TemporaryFile temp(FolderOf(path));
    bool saved = temp.IsCreated();
    if (saved) {
        FileHandle file(::CreateFileA(temp.Path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        DWORD written = 0;
        saved = file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                written == text.size() && file.Close() && temp.MoveOver(path);
    }
    if (!saved) AfxMessageBox(kCannotSave);
    return saved ? TRUE : FALSE;
}
