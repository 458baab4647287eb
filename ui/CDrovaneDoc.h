#pragma once
// The document of the single-document template. It holds no data: the task list view is the
// only store of tasks, so reading and writing a document file does nothing.
#include "CDocument.h"

class CDrovaneDoc : public CDocument {
public:
    static const CRuntimeClass classCDrovaneDoc;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDrovaneDoc; }
};
