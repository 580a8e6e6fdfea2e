#include "model/DllObjects.h"

std::vector<DllObject> gDllObjects;
