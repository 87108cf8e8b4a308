#include "link/hooks.h"

WorkspaceHooks g_workspaceHooks;
ParameterHooks g_parameterHooks;
