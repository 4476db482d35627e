#pragma once
#include "base/utf8.h"
