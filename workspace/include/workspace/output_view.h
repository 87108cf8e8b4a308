// What the output links read of the workspace (bound to
// WorkspaceHooks::main_GetOutputView).
#pragma once

#include "link/output_view.h"

void main_GetOutputView(OutputView* view);
