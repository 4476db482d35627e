#include "sim_device.h"
