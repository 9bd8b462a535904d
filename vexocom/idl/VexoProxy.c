/* The proxy/stub code of the forwarder interfaces, as widl writes it. */
#include "widl_compat.h"
#include "Vexo_p.c"
