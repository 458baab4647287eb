#include "CDrovaneDoc.h"

const CRuntimeClass CDrovaneDoc::classCDrovaneDoc("CDrovaneDoc", &CreateObjectOf<CDrovaneDoc>,
                                                  &CDocument::classCDocument);
