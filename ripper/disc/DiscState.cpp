#include "DiscState.h"

DiscState TheDisc;
