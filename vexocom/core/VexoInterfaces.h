// The server's interfaces, identifiers and enumerations, generated from the
// interface description.
#pragma once

#include <ocidl.h>

#include "Vexo.h"
