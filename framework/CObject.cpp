#include "CObject.h"

const CRuntimeClass CObject::classCObject("CObject", nullptr, nullptr);
