#pragma once
#include "base/ui/message_service.h"
#include "app/ui/printune_dlg.h"
#include "port/ui/function_page.h"
#include "port/models.h"
