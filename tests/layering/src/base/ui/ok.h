#pragma once
#include "extra/thing.h"
