#pragma once
#include "network/netcfg.h"
