#include "network/netcfg.h"
#include "port/exchange.h"
