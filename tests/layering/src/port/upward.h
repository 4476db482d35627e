#pragma once
#include "base/language.h"
#include "settings/label_commands.h"
