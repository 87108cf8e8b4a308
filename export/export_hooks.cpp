#include "export/export_hooks.h"

ExportHooks g_exportHooks;
