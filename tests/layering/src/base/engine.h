#pragma once
#include "base/ui/text_service.h"
#include "base/utf8.h"
