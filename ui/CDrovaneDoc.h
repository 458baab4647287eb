#pragma once
// The document of the single-document template. The task list view holds the rows; the
// document reads and writes them as a task-list file (File > Open, Save, Save As).
#include "CDocument.h"

class CDrovaneView;

class CDrovaneDoc : public CDocument {
public:
    // A file that is no task list is refused with a message, and neither it nor the list
    // changes. The rows it holds replace the list, which stops its downloads first.
    BOOL OnOpenDocument(const char* path) override;
    // Written to a temporary file beside the target and renamed over it, so a failed save
    // leaves the earlier file as it was.
    BOOL OnSaveDocument(const char* path) override;
    const char* GetFileFilter() const override;
    const char* GetDefaultExtension() const override { return "txt"; }

    static const CRuntimeClass classCDrovaneDoc;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDrovaneDoc; }

private:
    CDrovaneView* TaskList() const;
};
